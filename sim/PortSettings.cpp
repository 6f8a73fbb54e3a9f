#include "sim/PortSettings.h"

#include <asio/ip/address_v4.hpp>

namespace sim {
namespace {

using wire::PortField;

std::string dotted(const wire::Ipv4& a) {
    return asio::ip::address_v4(a).to_string();
}

wire::Ipv4 parse(const std::string& text) {
    asio::error_code ec;
    const auto a = asio::ip::make_address_v4(text, ec);
    return ec ? wire::Ipv4{} : a.to_bytes();
}

bool usable(const std::string& text, uint32_t& out) {
    asio::error_code ec;
    const auto a = asio::ip::make_address_v4(text, ec);
    if (ec) return false;
    out = a.to_uint();
    return out != 0 && out != 0xFFFFFFFFu;
}

}  // namespace

PortSettings::PortSettings(const ControllerConfig& c) {
    now_[PortField::Name] = c.name;
    now_[PortField::Description] = c.description;
    now_[PortField::DhcpEnabled] = c.dhcp ? "1" : "0";
    now_[PortField::IpAddress] = dotted(c.ip);
    now_[PortField::SubnetMask] = dotted(c.subnetMask);
    now_[PortField::DefaultGateway] = dotted(c.gateway);
    now_[PortField::DnsServer1] = dotted(c.dns1);
    now_[PortField::DnsServer2] = dotted(c.dns2);
    now_[PortField::DnsName] = c.dnsName;
    now_[PortField::MainComputerAddress] = c.mainComputerAddress;
    now_[PortField::EncryptionRequired] = c.encryptionRequired ? "1" : "0";
    now_[PortField::EmailServerAddress] = c.emailServer;
    now_[PortField::EmailLoginPass] = c.emailLoginPass;
}

std::string PortSettings::get(PortField field) const {
    const auto it = now_.find(field);
    return it == now_.end() ? std::string() : it->second;
}

void PortSettings::report(wire::DiscoveryReply& r) const {
    r.name = get(PortField::Name);
    r.description = get(PortField::Description);
    r.dhcp = get(PortField::DhcpEnabled) == "1";
    r.ip = parse(get(PortField::IpAddress));
    r.subnetMask = parse(get(PortField::SubnetMask));
    r.gateway = parse(get(PortField::DefaultGateway));
    r.dns1 = parse(get(PortField::DnsServer1));
    r.dns2 = parse(get(PortField::DnsServer2));
    r.dnsName = get(PortField::DnsName);
    r.mainComputerAddress = get(PortField::MainComputerAddress);
    r.encryptionRequired = get(PortField::EncryptionRequired) == "1";
}

std::string PortSettings::next(PortField field) const {
    const auto it = pending_.find(field);
    return it == pending_.end() ? get(field) : it->second;
}

wire::PortSettings PortSettings::readable(bool sealed, bool guarded) const {
    wire::PortSettings out;
    for (PortField f : {PortField::EmailServerAddress, PortField::EmailSenderAddress,
                        PortField::EmailLoginName, PortField::EmailLoginPass,
                        PortField::EncryptionPassword1, PortField::EncryptionPassword2,
                        PortField::EncryptionPassword3}) {
        // The network password is kept only as a verifier: it is never read back. Nor are the
        // web login passwords: a KVXreal C keeps them in its variables, and a value the port
        // does not hold would be taken for the controller's and written back.
        if (wire::isPasswordField(f)) continue;
        if (f == PortField::EmailLoginPass && guarded && !sealed) continue;
        out.fields.emplace_back(static_cast<uint8_t>(f), get(f));
    }
    return out;
}

void PortSettings::stage(const wire::PortSettings& settings) {
    for (const auto& [code, value] : settings.fields)
        if (auto f = wire::portFieldFromCode(code)) pending_[*f] = value;
}

void PortSettings::takePending() {
    for (auto& [f, value] : pending_)
        if (f == PortField::VariableIpAddress) now_[PortField::IpAddress] = value;
        else now_[f] = value;
    pending_.clear();
}

bool PortSettings::fits(const wire::PortSettings& proposed) const {
    auto merged = now_;
    for (const auto& [code, value] : proposed.fields)
        if (auto f = wire::portFieldFromCode(code))
            merged[*f == PortField::VariableIpAddress ? PortField::IpAddress : *f] = value;
    if (merged[PortField::DhcpEnabled] == "1") return true;
    uint32_t ip = 0, mask = 0, gateway = 0;
    if (!usable(merged[PortField::IpAddress], ip)) return false;
    if (!usable(merged[PortField::SubnetMask], mask)) mask = 0xFFFFFF00u;
    if (!usable(merged[PortField::DefaultGateway], gateway)) return true;
    return (ip & mask) == (gateway & mask) && ip != gateway;
}

}  // namespace sim
