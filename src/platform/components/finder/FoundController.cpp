#include "platform/components/finder/FoundController.h"

#include <cstdio>

namespace components {

std::string dottedText(const wire::Ipv4& a) {
    return std::to_string(a[0]) + "." + std::to_string(a[1]) + "." + std::to_string(a[2]) + "." +
           std::to_string(a[3]);
}

std::string FoundController::EthernetAddress() const {
    char text[18];
    const auto& m = reported_.mac;
    std::snprintf(text, sizeof text, "%02X-%02X-%02X-%02X-%02X-%02X", m[0], m[1], m[2], m[3], m[4],
                  m[5]);
    return text;
}

std::string FoundController::reportedText(PortField field) const {
    const auto& r = reported_;
    switch (field) {
        case PortField::Name: return r.name;
        case PortField::Description: return r.description;
        case PortField::DhcpEnabled: return r.dhcp ? "1" : "0";
        case PortField::IpAddress: return dottedText(r.ip);
        case PortField::SubnetMask: return dottedText(r.subnetMask);
        case PortField::DefaultGateway: return dottedText(r.gateway);
        case PortField::DnsServer1: return dottedText(r.dns1);
        case PortField::DnsServer2: return dottedText(r.dns2);
        case PortField::DnsName: return r.dnsName;
        case PortField::MainComputerAddress: return r.mainComputerAddress;
        case PortField::EncryptionRequired: return r.encryptionRequired ? "1" : "0";
        default: break;
    }
    const auto it = learned_.find(field);
    return it == learned_.end() ? std::string() : it->second;
}

std::string FoundController::get(PortField field) const {
    const auto it = pending_.find(field);
    return it != pending_.end() ? it->second : reportedText(field);
}

void FoundController::put(PortField field, const std::string& value) { pending_[field] = value; }

}  // namespace components
