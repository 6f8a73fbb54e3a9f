#pragma once
// The controller's network password. What the handshake checks is the verifier alone; a
// password written to "QCom.EncryptionPasswordPrimary" is checked against the allowed
// characters and takes effect only when the encryption settings are committed, by
// setNetworkPassword (which the commit must call, and then empty the variable).
#include <string>

#include "platform/wire/ReplyCode.h"
#include "platform/wire/VariablePayloads.h"
#include "sim/ControllerState.h"

namespace sim {

bool isNetworkPasswordVariable(const wire::VarAddress& address, bool kvxrealC);
// OutOfRange for a password with a character outside the shared set or too long.
wire::ReplyCode checkNetworkPassword(const wire::WriteRequest& write);
// False when the verifier cannot be made (out of memory); the old one then stays.
bool setNetworkPassword(ControllerState& state, const std::string& password);
// The network file's setting; a written "QCom.EncryptionRequired" waits for the commit too.
bool requiresEncryption(const ControllerState& state, const ControllerConfig& config);

}  // namespace sim
