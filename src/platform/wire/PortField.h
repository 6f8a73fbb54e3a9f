#pragma once
// The settings of a controller's TCP/IP port, field by field as the port-settings commands
// (0x50 read, 0x51 apply, 0x52 check) carry them.
#include <cstdint>
#include <optional>
#include <string>

namespace wire {

enum class PortField : uint8_t {
    Name = 1,
    Description,
    DhcpEnabled,  // "1" or "0"
    IpAddress,
    SubnetMask,
    DefaultGateway,
    DnsServer1,
    DnsServer2,
    DnsName,
    MainComputerAddress,
    EncryptionRequired,  // "1" or "0"
    EncryptionPasswordPrimary,
    EncryptionPassword1,
    EncryptionPassword2,
    EncryptionPassword3,
    EncryptionPassword4,
    EmailServerAddress,
    EmailSenderAddress,
    EmailLoginName,
    EmailLoginPass,
    VariableIpAddress,
};

constexpr uint8_t kFirstPortField = 1;
constexpr uint8_t kLastPortField = static_cast<uint8_t>(PortField::VariableIpAddress);

std::optional<PortField> portFieldFromCode(uint8_t code);
const char* portFieldName(PortField field);
// By name, ignoring letter case ("IpAddress", "dhcpenabled").
std::optional<PortField> portFieldFromName(const std::string& name);
// The network and web login passwords: they travel only on a sealed link. (The e-mail login
// password is an ordinary variable of the controller and is not one of them.)
bool isPasswordField(PortField field);

}  // namespace wire
