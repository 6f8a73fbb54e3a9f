#include "site/RowLink.h"

#include "app/Program.h"

namespace site {

int32_t openRowLink(app::Program& program, const std::string& link, std::string& why) {
    kvxglib::NamedLinks* links = program.platform.namedLinks;
    if (links == nullptr) {
        why = "links cannot be opened by name here";
        return 0;
    }
    return links->open(link, why);
}

void closeRowLink(app::Program& program, int32_t handle) {
    if (kvxglib::NamedLinks* links = program.platform.namedLinks; links != nullptr && handle != 0)
        links->close(handle);
}

}  // namespace site
