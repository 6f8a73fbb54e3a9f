#include "settingstool/ToolLink.h"

#include "platform/comm/ExchangeEngine.h"
#include "platform/comm/LinkAccess.h"
#include "platform/kvxglib/LinkRegistry.h"
#include "platform/kvxglib/RealLibrary.h"
#include "platform/kvxglib/TcpLinks.h"
#include "platform/wire/PortSettingsPayload.h"
#include "platform/wire/ReplyCode.h"

namespace settingstool {
namespace {

constexpr const char* kNothingDone = "; nothing was read or written";

// Whether the controller behind a plain link refuses everything until the password is proved.
// The probe is a network check of nothing: it asks for no setting, so no secret can come back
// in clear whatever answers.
bool demandsPassword(kvxglib::RealLibrary& library, int32_t handle) {
    comm::ExchangeEngine* engine = kvxglib::linkAccess(library).engine(handle);
    if (engine == nullptr) return false;
    wire::Frame probe;
    probe.address = wire::kDirectAddress;
    probe.command = wire::code(wire::PortCommand::CheckNetwork);
    probe.payload = {0};  // an empty field list
    const auto exchange = engine->submit(std::move(probe));
    const comm::Outcome& outcome = exchange->wait();
    return outcome.ending == comm::Ending::Reply &&
           outcome.reply.code1 == static_cast<uint16_t>(wire::ReplyCode::AuthRequired);
}

// Bound to the controller the program's link was opened for, so that a relay from that address
// to another controller with the same password fails.
int32_t openWithPassword(kvxglib::RealLibrary& library, const kvxglib::RegisteredLink& link,
                         const AskPassword& ask, std::string& why) {
    const std::string& name = link.name;
    if (link.serial.empty()) {
        why = "the controller at " + name +
              " requires its network password, and its serial number is not known to bind the "
              "password to: connect to it by serial number first" + kNothingDone;
        return -1;
    }
    const std::optional<secure::Secret> password = ask(name);
    if (!password || password->empty()) {
        why = "the controller at " + name + " requires its network password and none was given" +
              kNothingDone;
        return -1;
    }
    std::string reason;
    comm::PasswordCheck check = comm::PasswordCheck::Unreachable;
    const int32_t handle =
        kvxglib::openNamedLink(library, name, 0, &reason, &*password, &check, link.serial);
    if (handle != 0) return handle;
    switch (check) {
        case comm::PasswordCheck::Refused:
            // The reason tells a wrong password from another controller answering.
            why = "the controller at " + name + ": " + reason + kNothingDone;
            break;
        case comm::PasswordCheck::RateLimited:
            why = "the controller at " + name +
                  " takes no more passwords for now after too many wrong ones; try again in a "
                  "minute" + kNothingDone;
            break;
        default:
            why = "cannot open " + name + ": " + reason;
    }
    return -1;
}

}  // namespace

int32_t openToolLink(kvxglib::RealLibrary& library, int32_t port, long owner,
                     const AskPassword& ask, std::string& why) {
    if (port == 0) return kvxglib::openLinkZero(library, why) ? 0 : -1;
    const std::string machineDir = library.machineConfig().machineDir();
    std::string reason;
    const std::optional<kvxglib::RegisteredLink> link =
        kvxglib::LinkRegistry::find(machineDir, port, owner, reason);
    if (!link) {
        why = "the link PORT=" + std::to_string(port) + " cannot be found: " + reason;
        return -1;
    }
    if (link->encrypted) return openWithPassword(library, *link, ask, why);
    const int32_t handle = kvxglib::openNamedLink(library, link->name, link->baud, &reason);
    if (handle == 0) {
        why = "cannot open " + link->name + ": " + reason;
        return -1;
    }
    // A controller can have been set to require the password since the program's link opened.
    if (link->name.rfind("tcp:", 0) != 0 || !demandsPassword(library, handle)) return handle;
    kvxglib::closeLink(library, handle);
    return openWithPassword(library, *link, ask, why);
}

}  // namespace settingstool
