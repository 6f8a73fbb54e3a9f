// The controller's TCP/IP port: the port-settings commands and the meaning of the commit
// variables.
#include <algorithm>

#include "platform/wire/PortSettingsPayload.h"
#include "platform/wire/Request.h"
#include "sim/Controller.h"
#include "sim/WebSite.h"
#include "sim/NetworkPassword.h"
#include "sim/SystemVariables.h"

namespace sim {
namespace {

using wire::PortField;
using wire::ReplyCode;

struct Place {
    uint16_t file = 0;
    int32_t index = -1;
    bool operator==(const wire::VarAddress& a) const { return a.file == file && a.index == index; }
};

Place place(const std::string& name) {
    static const std::vector<SystemVariable> table = [] {
        auto all = systemVariables(true);
        auto older = systemVariables(false);
        all.insert(all.end(), older.begin(), older.end());
        return all;
    }();
    for (const auto& v : table)
        if (v.name == name) return {v.file, v.index};
    return {};
}

// Where a KVXreal C port keeps each of its settings.
const std::vector<std::pair<PortField, std::string>>& ipVariables() {
    static const std::vector<std::pair<PortField, std::string>> v = {
        {PortField::IpAddress, "QCom.ConfIP"},
        {PortField::SubnetMask, "QCom.ConfSubNet"},
        {PortField::DefaultGateway, "QCom.ConfGW1"},
        {PortField::DnsServer1, "QCom.ConfDNS1"},
        {PortField::DnsName, "QCom.ConfDNSName"},
        {PortField::DhcpEnabled, "QCom.DHCPEnable"},
        {PortField::MainComputerAddress, "QCom.MainComputerAddr"},
        {PortField::Name, "QSystem.ControllerName"},
        {PortField::Description, "QSystem.ControllerDescription"},
    };
    return v;
}

const std::vector<std::pair<PortField, std::string>>& encryptionVariables() {
    static const std::vector<std::pair<PortField, std::string>> v = {
        {PortField::EncryptionRequired, "QCom.EncryptionRequired"},
        {PortField::EncryptionPassword1, "QCom.EncryptionPassword1"},
        {PortField::EncryptionPassword2, "QCom.EncryptionPassword2"},
        {PortField::EncryptionPassword3, "QCom.EncryptionPassword3"},
        {PortField::EncryptionPassword4, "QCom.EncryptionPassword4"},
    };
    return v;
}

const std::vector<std::pair<PortField, std::string>>& emailVariables() {
    static const std::vector<std::pair<PortField, std::string>> v = {
        {PortField::EmailServerAddress, "QServices.EmailServerAddress"},
        {PortField::EmailSenderAddress, "QServices.EmailSenderAddress"},
        {PortField::EmailLoginName, "QServices.EmailLoginName"},
        {PortField::EmailLoginPass, "QServices.EmailLoginPass"},
    };
    return v;
}

std::string asText(const wire::Value& v) {
    if (v.type == wire::VarType::Text) return v.text;
    if (v.type == wire::VarType::Boolean) return v.integer != 0 ? "1" : "0";
    return std::to_string(v.integer);
}

}  // namespace

bool Controller::isPortCommand(uint8_t command) {
    return command >= wire::code(wire::PortCommand::ReadPortSettings) &&
           command <= wire::code(wire::PortCommand::EndSetup);
}

Outcome Controller::handlePort(const wire::Frame& request, bool sealed) {
    Outcome out;
    auto answer = [&](ReplyCode code, std::vector<uint8_t> payload = {}) {
        out.reply = wire::makeReplyFrame(request, code, 0, std::move(payload));
        return out;
    };
    const auto command = static_cast<wire::PortCommand>(request.command);
    if (command == wire::PortCommand::ReadPortSettings || command == wire::PortCommand::EndSetup) {
        if (!request.payload.empty()) return answer(ReplyCode::BadRequest);
        if (command == wire::PortCommand::EndSetup) {
            out.restart = Restart::PortTcpIp;
            return answer(ReplyCode::Ok);
        }
        auto payload = wire::encodePayload(port_.readable(sealed, state_.verifier.has_value()));
        return payload ? answer(ReplyCode::Ok, std::move(payload).value())
                       : answer(ReplyCode::TooLarge);
    }
    auto settings = wire::decodePortSettings(request.payload);
    if (!settings) return answer(wire::replyCodeFor(settings.error()));
    for (const auto& [code, value] : settings->fields) {
        const auto field = wire::portFieldFromCode(code);
        if (!field) return answer(ReplyCode::BadRequest);
        if (command != wire::PortCommand::ApplyPortSettings || sealed) continue;
        // Secrets travel only inside the password-protected link.
        if (wire::isPasswordField(*field)) return answer(ReplyCode::Refused);
        // Once there is a password, the e-mail login and the server it goes to are the
        // authenticated host's: nothing of the apply is staged.
        if (state_.verifier && (*field == PortField::EmailLoginPass ||
                                (*field == PortField::EmailServerAddress &&
                                 value != port_.next(PortField::EmailServerAddress))))
            return answer(ReplyCode::AuthRequired);
    }
    if (command == wire::PortCommand::CheckNetwork)
        return answer(ReplyCode::Ok, {static_cast<uint8_t>(
                                         wire::kNetworkChecked |
                                         (port_.fits(*settings) ? wire::kNetworkFits : 0))});
    port_.stage(*settings);
    return answer(ReplyCode::Ok);
}

ReplyCode Controller::checkEmailWrite(const wire::WriteRequest& write, bool sealed) const {
    if (sealed || !state_.verifier || !config_.kvxrealC) return ReplyCode::Ok;
    auto stored = [&](const std::string& name) {
        const Place p = place(name);
        const StoredVariable* v = state_.variables.find(p.file, p.index);
        return v != nullptr ? asText(v->value) : std::string();
    };
    if (place("QServices.EmailServerAddress") == write.address)
        return write.value.text == stored("QServices.EmailServerAddress") ? ReplyCode::Ok
                                                                          : ReplyCode::AuthRequired;
    if (!(place("QServices.EmailCommitSettings") == write.address) || write.value.text != "True")
        return ReplyCode::Ok;
    const bool changes =
        stored("QServices.EmailServerAddress") != port_.get(PortField::EmailServerAddress) ||
        stored("QServices.EmailLoginPass") != port_.get(PortField::EmailLoginPass);
    return changes ? ReplyCode::AuthRequired : ReplyCode::Ok;
}

void Controller::syncEmailPort() {
    if (!config_.kvxrealC) return;
    for (const auto& [field, name] : emailVariables()) {
        const Place p = place(name);
        const StoredVariable* v = state_.variables.find(p.file, p.index);
        if (v != nullptr && !asText(v->value).empty()) port_.set(field, asText(v->value));
    }
}

void Controller::afterWrite(const wire::VarAddress& address) {
    if (!config_.kvxrealC) return;
    auto variable = [&](const std::string& name) -> const StoredVariable* {
        const Place p = place(name);
        return state_.variables.find(p.file, p.index);
    };
    auto committed = [&](const std::string& name) {
        const Place p = place(name);
        const StoredVariable* v = state_.variables.find(p.file, p.index);
        if (!(p == address) || v == nullptr) return false;
        const bool on = v->value.type == wire::VarType::Text ? v->value.text == "True"
                                                               : v->value.integer != 0;
        // The flag falls back once the port has taken the settings.
        state_.variables.set(p.file, p.index,
                             v->value.type == wire::VarType::Text ? wire::Value::oemText("False")
                                                                  : wire::Value::boolean(false));
        return on;
    };
    auto take = [&](const std::vector<std::pair<PortField, std::string>>& from) {
        for (const auto& [field, name] : from)
            if (const StoredVariable* v = variable(name)) port_.set(field, asText(v->value));
    };
    if (committed("QCom.CommitIPSettings")) {
        take(ipVariables());
        port_.takePending();
    }
    if (committed("QCom.EncryptionCommitSettings")) {
        take(encryptionVariables());
        const StoredVariable* flag = variable("QCom.EncryptionRequired");
        commitEncryption(state_, pendingPassword_, flag != nullptr && flag->value.integer != 0);
        // The port reports what it enforces, also where the flag was not taken.
        const bool required = requiresEncryption();
        port_.set(PortField::EncryptionRequired, required ? "1" : "0");
        const Place p = place("QCom.EncryptionRequired");
        if (flag != nullptr) state_.variables.set(p.file, p.index, wire::Value::boolean(required));
    }
    if (committed("QServices.EmailCommitSettings")) take(emailVariables());
    if (committed("QServices.HttpCommitSettings")) commitHttpSettings(state_);
    committed("QServices.BACnetCommitSettings");
}

void Controller::coldStartPort() {
    if (config_.kvxrealC) return;
    const Place flag = place("QTcpIp.ColdSFlagForTcpIp");
    const StoredVariable* v = state_.variables.find(flag.file, flag.index);
    if (v == nullptr || v->value.integer != 1) return;
    port_.takePending();
    state_.variables.set(flag.file, flag.index, wire::Value::smallInt(0));
}

}  // namespace sim
