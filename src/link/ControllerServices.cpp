#include "link/ControllerServices.h"

#include <string>

#include "program/Program.h"
#include "catalogue/WaitSeconds.h"
#include "link/Errors.h"
#include "link/LinkFlags.h"
#include "platform/text/Text.h"
#include "platform/wire/PartitionText.h"
#include "platform/wire/ReplyCode.h"

namespace clink {

namespace {

constexpr uint8_t Poll = 0x98;
constexpr uint8_t Partition = 0xCB;

// The reply buffer holds 128 bytes; services whose reply matters offer all of it.
constexpr int16_t FullReply = static_cast<int16_t>(ReplyCapacity);

struct Outcome {
    bool ok;
    std::vector<uint8_t> reply;
    int16_t length;
};

// One exchange with the usual flags; PLA and ELA go in front of `command`.
Outcome exchange(Platform& platform, int32_t link, int16_t pla, int16_t ela,
                 std::vector<uint8_t> command, int16_t option, int32_t& status, std::string label,
                 int16_t length = FullReply) {
    std::vector<uint8_t> request{0, 0};
    request.insert(request.end(), command.begin(), command.end());
    Outcome out{false, {}, length};
    int32_t flags = flags::Normal;
    out.ok = SendRequest(platform, link, pla, ela, request, out.reply, out.length, flags, status,
                         label, option);
    return out;
}

// The bytes that arrived: a reply of at most one byte leaves the 128-byte buffer unshrunk, and
// its zero padding is no part of the answer.
std::vector<uint8_t> received(const Outcome& out) {
    std::size_t count = out.length < 0 ? 0 : static_cast<std::size_t>(out.length);
    if (count > out.reply.size()) count = out.reply.size();
    return {out.reply.begin(), out.reply.begin() + static_cast<long>(count)};
}

std::string orDefault(const std::string& label, const char* name) {
    return label.empty() ? std::string(name) : label;
}

uint8_t oneByte(int16_t value) {
    if (value < 0 || value > 255)
        throw OverflowError(std::to_string(value) + " does not fit one byte");
    return static_cast<uint8_t>(value);
}

std::vector<uint8_t> attributeRequest(uint8_t service, uint8_t partition, int16_t attribute) {
    const auto bits = static_cast<uint16_t>(attribute);
    return {Partition, service, partition, static_cast<uint8_t>(bits & 0xFF),
            static_cast<uint8_t>(bits >> 8)};
}

void startCommand(Platform& platform, int32_t link, int16_t pla, int16_t ela, uint8_t a, uint8_t b,
                  const char* label) {
    int32_t status = 0;
    exchange(platform, link, pla, ela, {a, b}, 2, status, label);  // whether it answers or not
    catalogue::WaitSeconds(platform, 3);
}

}  // namespace

bool PollController(program::Program& program, int16_t pla, int16_t ela) {
    int32_t status = 0;
    std::vector<uint8_t> reply;
    return PollController(program, pla, ela, status, reply);
}

bool PollController(program::Program& program, int16_t pla, int16_t ela, int32_t& status,
                    std::vector<uint8_t>& reply) {
    const Outcome out = exchange(program.platform, program.connection.CurrentLink, pla, ela,
                                 {Poll}, 1, status, {}, 2);
    reply = out.ok ? received(out) : std::vector<uint8_t>{};
    return out.ok;
}

bool PollWithLink(Platform& platform, int32_t link, int16_t pla, int16_t ela, int32_t& flags,
                  int32_t& status, std::string& label) {
    std::vector<uint8_t> request{0, 0, Poll};
    std::vector<uint8_t> reply;
    int16_t length = 2;
    return SendRequest(platform, link, pla, ela, request, reply, length, flags, status, label, 2);
}

void CoolStart(Platform& platform, int32_t link, int16_t pla, int16_t ela) {
    startCommand(platform, link, pla, ela, 0x45, 0xBA, "Cool start");
}

void ColdStart(Platform& platform, int32_t link, int16_t pla, int16_t ela) {
    startCommand(platform, link, pla, ela, 0x1C, 0xE3, "Cold Start");
}

bool ActivateApplication(Platform& platform, int32_t link, int16_t pla, int16_t ela, int16_t x,
                         int16_t y) {
    int32_t status = 0;
    return exchange(platform, link, pla, ela, {0x61, oneByte(x), oneByte(y)}, 0, status,
                    "Activate Application")
        .ok;
}

TrialAnswer ActivateOnTrial(Platform& platform, int32_t link, int16_t pla, int16_t ela,
                            int16_t partition, int16_t subApplication, int16_t returnPartition,
                            int16_t returnSubApplication, uint32_t askMs, uint32_t& grantedMs) {
    int32_t status = 0;
    std::vector<uint8_t> command{0x62, oneByte(partition), oneByte(subApplication),
                                 oneByte(returnPartition), oneByte(returnSubApplication)};
    for (int shift = 0; shift < 32; shift += 8)
        command.push_back(static_cast<uint8_t>(askMs >> shift));
    const Outcome out = exchange(platform, link, pla, ela, std::move(command), 0, status,
                                 "Activate Application on trial");
    if (!out.ok)
        return status == wire::code(wire::ReplyCode::UnknownCommand) ? TrialAnswer::NotKnown
                                                                      : TrialAnswer::Failed;
    const auto grant = wire::decodeTrialGrant(received(out));
    if (!grant) return TrialAnswer::Failed;
    grantedMs = grant->trialMs;
    return TrialAnswer::Accepted;
}

bool ConfirmTrial(Platform& platform, int32_t link, int16_t pla, int16_t ela, int16_t partition,
                  int16_t subApplication) {
    int32_t status = 0;
    return exchange(platform, link, pla, ela, {0x63, oneByte(partition), oneByte(subApplication)},
                    0, status, "Confirm trial")
        .ok;
}

bool ReadTrialStatus(Platform& platform, int32_t link, int16_t pla, int16_t ela,
                     wire::TrialReport& report) {
    int32_t status = 0;
    const Outcome out = exchange(platform, link, pla, ela, {0x64}, 0, status, "Trial status");
    if (!out.ok) return false;
    const auto decoded = wire::decodeTrialReport(received(out));
    if (!decoded) return false;
    report = *decoded;
    return true;
}

bool GetAllPartitions(Platform& platform, int32_t link, int16_t pla, int16_t ela,
                      std::vector<uint8_t>& partitions, int32_t /*flags*/, int32_t& status,
                      const std::string& label) {
    Outcome out = exchange(platform, link, pla, ela,
                           {Partition, 0x00, 0x04, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00}, 0,
                           status, orDefault(label, "GetAllPartitions"));
    if (!out.ok) {
        partitions = std::move(out.reply);
        return false;
    }
    partitions = received(out);  // one byte per partition
    return true;
}

bool GetPartAttrH(Platform& platform, int32_t link, int16_t pla, int16_t ela, uint8_t partition,
                  int16_t attribute, int32_t& value, int32_t /*flags*/, int32_t& status,
                  const std::string& label) {
    Outcome out = exchange(platform, link, pla, ela, attributeRequest(0x10, partition, attribute),
                           0, status, orDefault(label, "GetPartAttrH"));
    if (out.ok && out.length == 4 && out.reply.size() == 4) {
        const auto& r = out.reply;
        value = static_cast<int32_t>(
            static_cast<uint32_t>(r[0]) | static_cast<uint32_t>(r[1]) << 8 |
            static_cast<uint32_t>(r[2]) << 16 | static_cast<uint32_t>(r[3]) << 24);
    }
    return out.ok;
}

bool SetPartAttrH(Platform& platform, int32_t link, int16_t pla, int16_t ela, uint8_t partition,
                  int16_t attribute, int32_t value, int32_t /*flags*/, int32_t& status,
                  const std::string& label) {
    std::vector<uint8_t> command = attributeRequest(0x11, partition, attribute);
    const auto bits = static_cast<uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8)
        command.push_back(static_cast<uint8_t>(bits >> shift));
    return exchange(platform, link, pla, ela, std::move(command), 0, status,
                    orDefault(label, "SetPartAttrH"))
        .ok;
}

bool GetPartStringAttr(Platform& platform, int32_t link, int16_t pla, int16_t ela,
                       uint8_t partition, int16_t attribute, std::string& text, int32_t flags,
                       int32_t& status, const std::string& label) {
    Outcome out = exchange(platform, link, pla, ela, attributeRequest(0x14, partition, attribute),
                           0, status, orDefault(label, "GetPartStringAttr"));
    if (!out.ok) return false;
    const std::vector<uint8_t> arrived = received(out);
    const std::string bytes(arrived.begin(), arrived.end());
    text = (flags & flags::NoOemConversion) != 0 ? bytes : text::fromOem(bytes);
    return true;
}

bool SetPartStringAttr(Platform& platform, int32_t link, int16_t pla, int16_t ela,
                       uint8_t partition, int16_t attribute, const std::string& text, int32_t flags,
                       int32_t& status, const std::string& label) {
    std::vector<uint8_t> command = attributeRequest(0x15, partition, attribute);
    const std::string bytes = (flags & flags::NoOemConversion) != 0 ? text : text::toOem(text);
    if (bytes.size() > wire::kMaxPartitionText) {
        // The controller would refuse it the same way; no need to ask.
        status = wire::code(wire::ReplyCode::OutOfRange);
        return false;
    }
    command.insert(command.end(), bytes.begin(), bytes.end());
    return exchange(platform, link, pla, ela, std::move(command), 0, status,
                    orDefault(label, "SetPartStringAttr"))
        .ok;
}

}  // namespace clink
