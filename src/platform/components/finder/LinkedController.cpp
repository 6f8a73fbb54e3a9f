#include "platform/components/finder/LinkedController.h"

#include "platform/comm/LinkSecurity.h"
#include "platform/components/ImageSource.h"
#include "platform/components/finder/PortOsImage.h"
#include "platform/kvxglib/RealLibrary.h"
#include "platform/kvxglib/TcpLinks.h"
#include "platform/wire/PortSettingsPayload.h"

namespace components {
namespace {

wire::PortSettings settingsOf(const std::map<PortField, std::string>& fields, bool ipOnly) {
    wire::PortSettings out;
    for (const auto& [field, value] : fields) {
        const bool ip = field == PortField::DhcpEnabled || field == PortField::IpAddress ||
                        field == PortField::SubnetMask || field == PortField::DefaultGateway ||
                        field == PortField::VariableIpAddress;
        if (!ipOnly || ip) out.fields.emplace_back(static_cast<uint8_t>(field), value);
    }
    return out;
}

// The passwords among the port settings: they travel only on a sealed link.
bool secretField(PortField field) {
    return wire::isPasswordField(field) || field == PortField::EmailLoginPass;
}

}  // namespace

LinkedController::LinkedController(kvxglib::RealLibrary& library, LinkPool& links,
                                   wire::DiscoveryReply reported, std::string host,
                                   const secure::Secret& password,
                                   const PortOsUpgradeSettings* upgrades)
    : FoundController(std::move(reported)),
      library_(library),
      links_(links),
      host_(std::move(host)),
      password_(password),
      upgrades_(upgrades),
      known_(library.machineConfig().machineDir()) {
    const auto& claims = FoundController::reported();
    if (!claims.encryptionRequired && !claims.passwordSet && known_.has(SerialNumber()))
        warning_ = "controller " + SerialNumber() +
                   " is known to use a network password, but its discovery reply says it has "
                   "none: the link stays password-protected";
}

bool LinkedController::PasswordAccepted() {
    // A password given is always proved: the controller's own word that it wants none may be
    // an impostor's.
    if (password_.empty()) return !reported().encryptionRequired && !known_.has(SerialNumber());
    // Asked once per found controller: every proof counts against the limits of both ends.
    // The protected link it opens is the one Connect uses, so a login costs one proof.
    if (!accepted_) {
        const int32_t link = openSealed();
        accepted_ = check_ == comm::PasswordCheck::Accepted;
        if (link != 0) {
            handle_ = link;
            sealed_ = true;
            links_[linkKey()] = link;
        }
    }
    return *accepted_;
}

bool LinkedController::claimsNoPassword() const {
    return !reported().encryptionRequired && !reported().passwordSet && !known_.has(SerialNumber());
}

int32_t LinkedController::openSealed() {
    check_ = comm::PasswordCheck::Unreachable;
    std::string why;
    const int32_t link = kvxglib::openSecureTcpLink(library_, host_, reported().tcpPort, password_,
                                                    &why, &check_, reported().serialNumber);
    if (link != 0) {
        known_.remember(SerialNumber());
        return link;
    }
    // The password was given, and what answered for the controller says it has none and
    // cannot run the handshake: on first contact that is exactly what an impostor looks like.
    // A connection that could not be made at all is no answer (the handshake's own failures
    // after connecting name it).
    const bool answered = check_ == comm::PasswordCheck::Refused ||
                          (check_ == comm::PasswordCheck::Unreachable &&
                           why.find("password handshake") != std::string::npos);
    const bool unprotected =
        claimsNoPassword() && answered && !why.starts_with(comm::kAnotherController);
    why_ = unprotected ? std::string(kAnsweredUnprotected) + " (controller " + SerialNumber() +
                             ": " + why + "); nothing was sent to it"
                       : why;
    return 0;
}

std::string LinkedController::linkKey() const {
    return host_ + ":" + std::to_string(reported().tcpPort) + (sealed_ ? " sealed" : "");
}

bool LinkedController::openLink() {
    if (handle_ != 0) return true;
    // A password given means a sealed link, whatever the discovery reply says.
    sealed_ = reported().encryptionRequired || known_.has(SerialNumber()) || !password_.empty();
    const std::string key = linkKey();
    if (auto it = links_.find(key); it != links_.end()) {
        handle_ = it->second;
        return true;
    }
    if (sealed_ && password_.empty()) {
        why_ = "controller " + SerialNumber() + " uses a network password; none was given";
        return false;
    }
    // One handshake per found controller: after a failed one, trying again would hand
    // whoever answered another proof (why_ still says what failed).
    if (sealed_ && accepted_ == false) return false;
    handle_ = sealed_ ? openSealed()
                      : kvxglib::openTcpLink(library_, host_, reported().tcpPort, &why_,
                                             reported().serialNumber);
    if (sealed_) accepted_ = check_ == comm::PasswordCheck::Accepted;
    if (handle_ == 0) return false;
    links_[key] = handle_;
    return true;
}

bool LinkedController::pendingSecretInClear() const {
    if (sealed_) return false;
    for (const auto& [field, value] : pending())
        if (secretField(field) && !value.empty()) return true;
    return false;
}

bool LinkedController::run(uint8_t command, std::vector<uint8_t> payload,
                           std::vector<uint8_t>& reply) {
    return openLink() &&
           kvxglib::runDirectCommand(library_, handle_, command, std::move(payload), reply, why_);
}

bool LinkedController::Connect() {
    linkOk_ = openLink();
    if (linkOk_ && pendingSecretInClear()) {
        why_ = "passwords travel only on a password-protected link; nothing was applied";
        linkOk_ = false;
    } else if (linkOk_ && !pending().empty()) {
        auto payload = wire::encodePayload(settingsOf(pending(), false));
        std::vector<uint8_t> reply;
        linkOk_ = payload && run(wire::code(wire::PortCommand::ApplyPortSettings),
                                 std::move(payload).value(), reply);
        if (!payload) why_ = "a setting is too long";
        if (linkOk_) clearPending();
    }
    return linkOk_;
}

bool LinkedController::ReadPortSettings() {
    std::vector<uint8_t> reply;
    if (!run(wire::code(wire::PortCommand::ReadPortSettings), {}, reply)) return false;
    auto settings = wire::decodePortSettings(reply);
    if (!settings) {
        why_ = "malformed port settings";
        return false;
    }
    // A password that came in clear is not taken: it stays unknown, so nothing writes it back
    // and nothing shows it (a controller with a password leaves it out of a plain read).
    for (const auto& [code, value] : settings->fields)
        if (auto field = wire::portFieldFromCode(code); field && (sealed_ || !secretField(*field)))
            learn(*field, value);
    return true;
}

void LinkedController::CheckNetwork(bool& done, bool& checked) {
    done = true;
    checked = false;
    fits_ = false;
    auto payload = wire::encodePayload(settingsOf(pending(), true));
    std::vector<uint8_t> reply;
    if (!payload ||
        !run(wire::code(wire::PortCommand::CheckNetwork), std::move(payload).value(), reply) ||
        reply.size() != 1)
        return;
    checked = (reply[0] & wire::kNetworkChecked) != 0;
    fits_ = (reply[0] & wire::kNetworkFits) != 0;
}

bool LinkedController::EndSetup() {
    std::vector<uint8_t> reply;
    return run(wire::code(wire::PortCommand::EndSetup), {}, reply);
}

void LinkedController::UpgradePortOs(const PortOsImage& image, bool& ok) {
    ok = false;
    if (!image.IsValid()) {
        why_ = "not a valid upgrade file: " + image.why();
    } else if (image.PortType() != reported().upgradeFileNumber) {
        why_ = "the upgrade file is for port type " + std::to_string(image.PortType()) +
               ", this controller's port is type " + std::to_string(reported().upgradeFileNumber);
    } else if (std::string refused =
                   signatureRefusal(image.image(), image.path(), productKey(library_));
               !refused.empty()) {
        why_ = std::move(refused);  // before a byte is sent: the port runs whatever it gets
    } else {
        const PortOsUpgradeSettings defaults;
        ok = openLink() &&
             sendPortOs(library_, handle_, image, upgrades_ ? *upgrades_ : defaults, why_);
    }
}

}  // namespace components
