#pragma once
// The controller's network password. What the handshake checks is the verifier alone; a
// password written to "QCom.EncryptionPasswordPrimary" is checked against the allowed
// characters and takes effect only when the encryption settings are committed, by
// commitEncryption; until then it waits outside the variable, which always reads empty.
#include <optional>
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
// The network file's setting until encryption settings are committed.
bool requiresEncryption(const ControllerState& state, const ControllerConfig& config);
// The encryption settings take effect: a password written since the last commit becomes the
// verifier (and is forgotten), and the controller enforces `required` from now on. Requiring
// encryption without any password would shut everybody out, so that is not taken. False when
// the flag was not taken or the verifier could not be made.
bool commitEncryption(ControllerState& state, std::optional<std::string>& pendingPassword,
                      bool required);

}  // namespace sim
