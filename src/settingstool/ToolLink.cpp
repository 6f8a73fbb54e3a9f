#include "settingstool/ToolLink.h"

#include "platform/kvxglib/LinkRegistry.h"
#include "platform/kvxglib/RealLibrary.h"
#include "platform/kvxglib/TcpLinks.h"

namespace settingstool {

int32_t openToolLink(kvxglib::RealLibrary& library, int32_t port, long owner, std::string& why) {
    if (port == 0) return kvxglib::openLinkZero(library, why) ? 0 : -1;
    const std::string machineDir = library.machineConfig().machineDir();
    std::string reason;
    const std::optional<kvxglib::RegisteredLink> link =
        kvxglib::LinkRegistry::find(machineDir, port, owner, reason);
    if (!link) {
        why = "the link PORT=" + std::to_string(port) + " cannot be found: " + reason;
        return -1;
    }
    const int32_t handle = kvxglib::openNamedLink(library, link->name, link->baud, &reason);
    if (handle == 0) {
        why = "cannot open " + link->name + ": " + reason;
        return -1;
    }
    return handle;
}

}  // namespace settingstool
