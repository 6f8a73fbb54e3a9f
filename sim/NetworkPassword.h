#pragma once
// The controller's network password as its variables show it. The password itself is never
// kept: writing "QCom.EncryptionPasswordPrimary" replaces the verifier (an empty text removes
// the password) and the variable always reads back empty.
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
// "QCom.EncryptionRequired" where the controller has it, else the network file's setting.
bool requiresEncryption(const ControllerState& state, const ControllerConfig& config);

}  // namespace sim
