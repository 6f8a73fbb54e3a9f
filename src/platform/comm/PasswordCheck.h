#pragma once
// How a controller answered the proof of a network password.
namespace comm {

enum class PasswordCheck {
    Accepted,     // both sides proved the password; the link is sealed
    Refused,      // wrong password, no password set on the controller, or an impostor
    RateLimited,  // too many failed proofs from this host lately: try again in a minute
    Unreachable,  // no connection, or the controller did not answer the handshake in time
};

const char* passwordCheckName(PasswordCheck check);

}  // namespace comm
