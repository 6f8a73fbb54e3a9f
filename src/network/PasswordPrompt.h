#pragma once
// One round of the network password loop that the search dialog's OK and the Communication
// Settings dialog's OK run: the user learns why the password is asked for again, and a
// controller that takes no password for now is not asked one.
#include <cstdint>

namespace program {
struct Program;
}

namespace network {

enum class PasswordRound {
    Sufficient,   // access is sufficient: go on with the controller
    Typed,        // a password was typed into NetworkPassword: search again with it
    NotTyped,     // Cancel or an empty answer
    RateLimited,  // the controller takes no password for now; the user has been told
};

inline constexpr const char* kWrongPassword = "Wrong network password.";
inline constexpr const char* kRateLimited = "too many wrong passwords; wait a minute";

// Round for the finder's controller `index`.
PasswordRound AskNetworkPassword(program::Program& program, int16_t index);

}  // namespace network
