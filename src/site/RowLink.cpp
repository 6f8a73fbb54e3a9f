#include "site/RowLink.h"

#include "app/Program.h"
#include "platform/kvxglib/RealLibrary.h"
#include "platform/kvxglib/TcpLinks.h"

namespace site {
namespace {

kvxglib::RealLibrary* realLibrary(app::Program& program) {
    return dynamic_cast<kvxglib::RealLibrary*>(&program.platform.glib);
}

}  // namespace

int32_t openRowLink(app::Program& program, const std::string& link, std::string& why) {
    kvxglib::RealLibrary* library = realLibrary(program);
    if (library == nullptr) {
        why = "links cannot be opened by name here";
        return 0;
    }
    return kvxglib::openNamedLink(*library, link, 0, &why);
}

void closeRowLink(app::Program& program, int32_t handle) {
    if (kvxglib::RealLibrary* library = realLibrary(program); library != nullptr && handle != 0)
        kvxglib::closeLink(*library, handle);
}

}  // namespace site
