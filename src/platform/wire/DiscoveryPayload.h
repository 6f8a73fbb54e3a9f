#pragma once
// Payloads of Discover (0x30), sent over UDP: who is there, and each controller's identity,
// IP settings and abilities.
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/wire/Frame.h"
#include "platform/wire/Result.h"

namespace wire {

constexpr std::size_t kMaxDatagramSize = 1400;

using Ipv4 = std::array<uint8_t, 4>;  // dotted order
using Mac = std::array<uint8_t, 6>;

// Capability bits of a controller's TCP/IP port.
constexpr uint32_t kCapabilityEmail = 1;
constexpr uint32_t kCapabilityWebPartitions = 4;
constexpr uint32_t kCapabilityEncryption = 8;

struct DiscoveryRequest {
    std::string serialFilter;  // empty: every controller answers
    bool operator==(const DiscoveryRequest&) const = default;
};

struct DiscoveryReply {
    std::string serialNumber;
    std::string name;
    std::string description;
    Mac mac{};
    uint16_t modelNumber = 0;
    Address address;
    bool kvxrealC = false;
    bool encryptionRequired = false;
    bool passwordSet = false;
    bool dhcp = false;
    Ipv4 ip{}, subnetMask{}, gateway{}, dns1{}, dns2{};
    std::string dnsName;
    std::string mainComputerAddress;
    uint16_t tcpPort = 0;
    uint32_t capabilities = 0;
    std::string osVersion;
    std::string portOsRevision;
    uint16_t upgradeFileNumber = 0;
    bool operator==(const DiscoveryReply&) const = default;
};

// Texts are str8 (u8 count): a text over 255 bytes is BadValue.
Result<std::vector<uint8_t>> encodePayload(const DiscoveryRequest& request);
Result<std::vector<uint8_t>> encodePayload(const DiscoveryReply& reply);
Result<DiscoveryRequest> decodeDiscoveryRequest(std::span<const uint8_t> payload);
Result<DiscoveryReply> decodeDiscoveryReply(std::span<const uint8_t> payload);

}  // namespace wire
