#include "platform/wire/PortField.h"

#include <array>
#include <cctype>

namespace wire {
namespace {

constexpr std::array<const char*, kLastPortField + 1> kNames = {
    "",
    "Name",
    "Description",
    "DhcpEnabled",
    "IpAddress",
    "SubnetMask",
    "DefaultGateway",
    "DnsServer1",
    "DnsServer2",
    "DnsName",
    "MainComputerAddress",
    "EncryptionRequired",
    "EncryptionPasswordPrimary",
    "EncryptionPassword1",
    "EncryptionPassword2",
    "EncryptionPassword3",
    "EncryptionPassword4",
    "EmailServerAddress",
    "EmailSenderAddress",
    "EmailLoginName",
    "EmailLoginPass",
    "VariableIpAddress",
};

bool sameIgnoringCase(const std::string& a, const char* b) {
    std::size_t i = 0;
    for (; i < a.size() && b[i] != '\0'; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return i == a.size() && b[i] == '\0';
}

}  // namespace

std::optional<PortField> portFieldFromCode(uint8_t code) {
    if (code < kFirstPortField || code > kLastPortField) return std::nullopt;
    return static_cast<PortField>(code);
}

const char* portFieldName(PortField field) { return kNames.at(static_cast<uint8_t>(field)); }

std::optional<PortField> portFieldFromName(const std::string& name) {
    for (uint8_t c = kFirstPortField; c <= kLastPortField; ++c)
        if (sameIgnoringCase(name, kNames[c])) return static_cast<PortField>(c);
    return std::nullopt;
}

bool isPasswordField(PortField field) {
    switch (field) {
        case PortField::EncryptionPasswordPrimary:
        case PortField::EncryptionPassword1:
        case PortField::EncryptionPassword2:
        case PortField::EncryptionPassword3:
        case PortField::EncryptionPassword4:
            return true;
        default:
            return false;
    }
}

}  // namespace wire
