#include "network/PasswordPrompt.h"

#include "catalogue/Messages.h"
#include "network/InputBox.h"
#include "platform/components/finder/ControllerFinder.h"
#include "platform/components/finder/LinkedController.h"
#include "program/Program.h"

namespace network {
namespace {

// A password typed for one controller is not given to another that neither has one nor is
// known to use one: a given password always means a sealed link, which such a controller
// cannot open, so keeping it would shut every open controller out for the rest of the session.
void ForgetPasswordOfAnother(program::Program& program, components::FoundController& c) {
    const std::string& typedFor = program.comm.NetworkPasswordFor;
    if (typedFor.empty() || program.platform.glib.SameSerialNumber(typedFor, c.SerialNumber()) != 0)
        return;
    const auto* linked = dynamic_cast<const components::LinkedController*>(&c);
    const bool hasPassword = linked != nullptr
                                 ? linked->hasPassword()
                                 : c.reported().encryptionRequired || c.reported().passwordSet;
    if (c.EncryptionRequired() || hasPassword) return;
    program.comm.NetworkPassword = secure::Secret();
    program.comm.NetworkPasswordFor.clear();
    program.comm.finder->Password(program.comm.NetworkPassword);
}

}  // namespace

PasswordRound AskNetworkPassword(program::Program& program, int16_t index) {
    auto& c = program.comm.finder->Item(index);
    ForgetPasswordOfAnother(program, c);
    if (!c.EncryptionRequired() || c.PasswordAccepted()) return PasswordRound::Sufficient;
    const comm::PasswordCheck check = c.LastPasswordCheck();
    if (check == comm::PasswordCheck::RateLimited) {
        // Another try now would only count against the controller's limit again.
        catalogue::ShowErrorMessage(
            program.platform.glib,
            "The controller " + c.SerialNumber() + " takes no password now: " + kRateLimited + ".");
        return PasswordRound::RateLimited;
    }
    const bool wrong =
        !program.comm.NetworkPassword.empty() && check == comm::PasswordCheck::Refused;
    const std::string prompt =
        wrong ? std::string(kWrongPassword) + "\n" + kPasswordPrompt : kPasswordPrompt;
    auto answer = AskPassword(program.platform, prompt);
    if (!answer || answer->empty()) return PasswordRound::NotTyped;
    program.comm.NetworkPassword = std::move(*answer);
    program.comm.NetworkPasswordFor = c.SerialNumber();
    return PasswordRound::Typed;
}

}  // namespace network
