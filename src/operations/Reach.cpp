#include "operations/Reach.h"

#include "app/Program.h"
#include "network/ControllerLookup.h"
#include "network/FormSearchTCP.h"
#include "network/PasswordPrompt.h"
#include "operations/Session.h"
#include "platform/comm/LinkSecurity.h"
#include "platform/components/finder/LinkedController.h"

namespace operations {

bool chooseController(app::Program& program, const std::string& serial, std::string& why) {
    network::FormSearchTCP form(program);
    form.Form_Activate();
    int row = 0;
    for (std::size_t r = 0; r < form.CtrlList.items.size(); ++r)
        if (program.platform.glib.SameSerialNumber(form.CtrlList.items[r].subItems[0], serial) != 0)
            row = static_cast<int>(r) + 1;
    if (row == 0) {
        why = "no controller with serial number " + serial + " answers on the network";
        return false;
    }
    form.CtrlList_ItemClick(row);
    form.ButtonOk_Click();
    if (form.SearchOkFlg) return true;
    why = "could not connect to the controller " + serial;
    const int16_t i = network::FindControllerBySerial(program, serial, false);
    if (i == -1) {
        why += ": it is no longer found on the network";
        return false;
    }
    auto& c = program.comm.finder->Item(i);
    // The link's own reason tells a wrong password from another controller answering in its
    // place, and a refusal from a controller that is gone.
    auto* linked = dynamic_cast<components::LinkedController*>(&c);
    const std::string reason = linked != nullptr ? linked->why() : "";
    // A controller that has a password words its refusals alike whether or not it demands it.
    const bool hasPassword =
        c.EncryptionRequired() || c.reported().passwordSet || (linked && linked->hasPassword());
    const bool given = !program.comm.NetworkPassword.empty();
    const bool refused = c.EncryptionRequired()
                             ? !c.PasswordAccepted()
                             : given && (c.LastPasswordCheck() == comm::PasswordCheck::Refused ||
                                         c.LastPasswordCheck() == comm::PasswordCheck::RateLimited);
    const comm::PasswordCheck check = c.LastPasswordCheck();
    if (reason.starts_with(components::kAnsweredUnprotected) ||
        reason.starts_with(comm::kAnotherController)) {
        why += ": " + reason;
    } else if (refused && hasPassword) {
        // A controller that takes no password for now is not one whose password is wrong.
        why += check == comm::PasswordCheck::RateLimited ? std::string(": ") + network::kRateLimited
               : !given ? ": it needs its network password (at the prompt or with --password-stdin)"
                        : ": wrong network password";
    } else {
        why += ": it refused the link or is gone" + (reason.empty() ? "" : " (" + reason + ")");
    }
    return false;
}

bool reach(Session& session, const Reach& target, LinkProblem& problem) {
    app::Program& program = session.program();
    clink::Connection& connection = program.connection;
    if (target.link.empty()) {
        if (target.password) program.comm.NetworkPassword = *target.password;
        problem.malformed = false;
        return chooseController(program, target.serial, problem.why);
    }
    const std::optional<OpenedLink> opened =
        openLink(session.library(), target.link, target.baud, problem);
    if (!opened) return false;
    connection.CommKind = opened->commKind;
    connection.CurrentLink = opened->handle;
    return true;
}

}  // namespace operations
