#include "platform/wire/DiscoveryPayload.h"

#include "platform/wire/Bytes.h"

namespace wire {
namespace {

constexpr uint8_t kFlagKvxrealC = 0x01;
constexpr uint8_t kFlagEncryption = 0x02;
constexpr uint8_t kFlagPassword = 0x04;
constexpr uint8_t kFlagDhcp = 0x08;
constexpr uint8_t kKnownFlags = 0x0F;

bool writeStr8(ByteWriter& w, const std::string& s) {
    if (s.size() > 255) return false;
    w.u8(static_cast<uint8_t>(s.size()));
    w.text(s);
    return true;
}

std::string readStr8(ByteReader& r) { return r.text(r.u8()); }

template <std::size_t N>
void readArray(ByteReader& r, std::array<uint8_t, N>& out) {
    auto b = r.bytes(N);
    if (b.size() == N) std::copy(b.begin(), b.end(), out.begin());
}

}  // namespace

Result<std::vector<uint8_t>> encodePayload(const DiscoveryRequest& request) {
    std::vector<uint8_t> out;
    ByteWriter w(out);
    if (!writeStr8(w, request.serialFilter)) return Error::BadValue;
    return out;
}

Result<std::vector<uint8_t>> encodePayload(const DiscoveryReply& d) {
    std::vector<uint8_t> out;
    ByteWriter w(out);
    bool ok = writeStr8(w, d.serialNumber) && writeStr8(w, d.name) && writeStr8(w, d.description);
    w.bytes(d.mac);
    w.u16(d.modelNumber);
    w.u8(d.address.pla);
    w.u8(d.address.ela);
    w.u8(static_cast<uint8_t>((d.kvxrealC ? kFlagKvxrealC : 0) |
                              (d.encryptionRequired ? kFlagEncryption : 0) |
                              (d.passwordSet ? kFlagPassword : 0) | (d.dhcp ? kFlagDhcp : 0)));
    for (const Ipv4& ip : {d.ip, d.subnetMask, d.gateway, d.dns1, d.dns2}) w.bytes(ip);
    ok = ok && writeStr8(w, d.dnsName) && writeStr8(w, d.mainComputerAddress);
    w.u16(d.tcpPort);
    w.u32(d.capabilities);
    ok = ok && writeStr8(w, d.osVersion) && writeStr8(w, d.portOsRevision);
    w.u16(d.upgradeFileNumber);
    if (!ok) return Error::BadValue;
    return out;
}

Result<DiscoveryRequest> decodeDiscoveryRequest(std::span<const uint8_t> payload) {
    ByteReader r(payload);
    DiscoveryRequest request{readStr8(r)};
    if (r.failed()) return Error::Truncated;
    if (!r.atEnd()) return Error::WrongLength;
    return request;
}

Result<DiscoveryReply> decodeDiscoveryReply(std::span<const uint8_t> payload) {
    ByteReader r(payload);
    DiscoveryReply d;
    d.serialNumber = readStr8(r);
    d.name = readStr8(r);
    d.description = readStr8(r);
    readArray(r, d.mac);
    d.modelNumber = r.u16();
    d.address.pla = r.u8();
    d.address.ela = r.u8();
    const uint8_t flags = r.u8();
    for (Ipv4* ip : {&d.ip, &d.subnetMask, &d.gateway, &d.dns1, &d.dns2}) readArray(r, *ip);
    d.dnsName = readStr8(r);
    d.mainComputerAddress = readStr8(r);
    d.tcpPort = r.u16();
    d.capabilities = r.u32();
    d.osVersion = readStr8(r);
    d.portOsRevision = readStr8(r);
    d.upgradeFileNumber = r.u16();
    if (r.failed()) return Error::Truncated;
    if (!r.atEnd()) return Error::WrongLength;
    if ((flags & ~kKnownFlags) != 0) return Error::BadValue;
    d.kvxrealC = (flags & kFlagKvxrealC) != 0;
    d.encryptionRequired = (flags & kFlagEncryption) != 0;
    d.passwordSet = (flags & kFlagPassword) != 0;
    d.dhcp = (flags & kFlagDhcp) != 0;
    return d;
}

}  // namespace wire
