#include "network/PasswordPrompt.h"

#include "catalogue/Messages.h"
#include "network/InputBox.h"
#include "platform/components/finder/ControllerFinder.h"
#include "program/Program.h"

namespace network {

PasswordRound AskNetworkPassword(program::Program& program, int16_t index) {
    auto& c = program.comm.finder->Item(index);
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
    return PasswordRound::Typed;
}

}  // namespace network
