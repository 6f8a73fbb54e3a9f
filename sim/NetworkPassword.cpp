#include "sim/NetworkPassword.h"

#include "platform/secure/PasswordCharacters.h"
#include "platform/secure/Verifier.h"
#include "sim/SystemVariables.h"

namespace sim {
namespace {

constexpr const char* kPasswordName = "QCom.EncryptionPasswordPrimary";

const SystemVariable* named(const std::string& name, bool kvxrealC) {
    static const auto c = systemVariables(true);
    static const auto other = systemVariables(false);
    for (const SystemVariable& v : kvxrealC ? c : other)
        if (v.name == name) return &v;
    return nullptr;
}

}  // namespace

bool isNetworkPasswordVariable(const wire::VarAddress& address, bool kvxrealC) {
    const SystemVariable* v = named(kPasswordName, kvxrealC);
    return v != nullptr && address.file == v->file && address.index == v->index;
}

wire::ReplyCode checkNetworkPassword(const wire::WriteRequest& write) {
    return secure::isValidPassword(write.value.text) ? wire::ReplyCode::Ok
                                                     : wire::ReplyCode::OutOfRange;
}

bool setNetworkPassword(ControllerState& state, const std::string& password) {
    if (password.empty()) {
        state.verifier.reset();
        return true;
    }
    auto verifier = secure::makeVerifier(password, secure::kSimulatorCost);
    if (!verifier) return false;
    state.verifier = *verifier;
    return true;
}

bool requiresEncryption(const ControllerState& state, const ControllerConfig& config) {
    return state.encryptionRequired.value_or(config.encryptionRequired);
}

bool commitEncryption(ControllerState& state, std::optional<std::string>& pendingPassword,
                      bool required) {
    bool taken = true;
    if (pendingPassword && !pendingPassword->empty())
        taken = setNetworkPassword(state, *pendingPassword);
    pendingPassword.reset();
    if (required && !state.verifier) return false;
    state.encryptionRequired = required;
    return taken;
}

}  // namespace sim
