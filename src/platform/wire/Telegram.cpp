#include "platform/wire/Telegram.h"

#include <array>

#include "platform/wire/Bytes.h"

namespace wire::telegram {
namespace {

// The two words after "CB 00": 4 and 1. Nothing else is defined.
constexpr std::array<uint8_t, 8> kListSelector = {0x04, 0, 0, 0, 0x01, 0, 0, 0};

Result<TelegramCommand> parseFixed(std::span<const uint8_t> bytes, std::size_t length,
                                   uint8_t check, TelegramCommand command) {
    if (bytes.size() != length) return Error::WrongLength;
    if (length == 2 && bytes[1] != check) return Error::BadValue;
    return command;
}

Result<TelegramCommand> parsePartitionService(std::span<const uint8_t> bytes) {
    if (bytes.size() < 2) return Error::WrongLength;
    const uint8_t service = bytes[1];
    if (service == kListPartitions) {
        if (bytes.size() != 2 + kListSelector.size()) return Error::WrongLength;
        if (!std::equal(kListSelector.begin(), kListSelector.end(), bytes.begin() + 2))
            return Error::BadValue;
        return TelegramCommand(ListPartitions{});
    }
    if (service != kGetNumberAttribute && service != kSetNumberAttribute &&
        service != kGetTextAttribute && service != kSetTextAttribute)
        return Error::UnknownCommand;
    ByteReader r(bytes.subspan(2));
    const uint8_t partition = r.u8();
    const uint16_t attribute = r.u16();
    if (r.failed()) return Error::WrongLength;
    switch (service) {
        case kGetNumberAttribute:
            if (!r.atEnd()) return Error::WrongLength;
            return TelegramCommand(GetNumberAttribute{partition, attribute});
        case kGetTextAttribute:
            if (!r.atEnd()) return Error::WrongLength;
            return TelegramCommand(GetTextAttribute{partition, attribute});
        case kSetNumberAttribute: {
            const int32_t value = r.i32();
            if (r.failed() || !r.atEnd()) return Error::WrongLength;
            return TelegramCommand(SetNumberAttribute{partition, attribute, value});
        }
        default:
            return TelegramCommand(SetTextAttribute{partition, attribute, r.text(r.remaining())});
    }
}

struct Builder {
    std::vector<uint8_t>& out;
    void operator()(const Poll&) const { out = {kPoll}; }
    void operator()(const CoolStart&) const { out = {kCoolStart, kCoolStartCheck}; }
    void operator()(const ColdStart&) const { out = {kColdStart, kColdStartCheck}; }
    void operator()(const Activate& a) const { out = {kActivate, a.partition, a.subApplication}; }
    void operator()(const ActivateOnTrial& a) const {
        out = {kActivateOnTrial, a.partition, a.subApplication, a.returnPartition,
               a.returnSubApplication};
        ByteWriter(out).u32(a.trialMs);
    }
    void operator()(const ConfirmTrial& c) const {
        out = {kConfirmTrial, c.partition, c.subApplication};
    }
    void operator()(const TrialStatus&) const { out = {kTrialStatus}; }
    void operator()(const ListPartitions&) const {
        out = {kPartition, kListPartitions};
        for (uint8_t b : kListSelector) out.push_back(b);  // insert() trips GCC 12's -Warray-bounds
    }
    void head(uint8_t service, uint8_t partition, uint16_t attribute) const {
        out = {kPartition, service, partition};
        ByteWriter(out).u16(attribute);
    }
    void operator()(const GetNumberAttribute& g) const {
        head(kGetNumberAttribute, g.partition, g.attribute);
    }
    void operator()(const SetNumberAttribute& s) const {
        head(kSetNumberAttribute, s.partition, s.attribute);
        ByteWriter(out).i32(s.value);
    }
    void operator()(const GetTextAttribute& g) const {
        head(kGetTextAttribute, g.partition, g.attribute);
    }
    void operator()(const SetTextAttribute& s) const {
        head(kSetTextAttribute, s.partition, s.attribute);
        ByteWriter(out).text(s.text);
    }
};

}  // namespace

Result<TelegramCommand> parseTelegram(std::span<const uint8_t> bytes) {
    if (bytes.empty()) return Error::Truncated;
    switch (bytes[0]) {
        case kPoll:
            return parseFixed(bytes, 1, 0, Poll{});
        case kCoolStart:
            return parseFixed(bytes, 2, kCoolStartCheck, CoolStart{});
        case kColdStart:
            return parseFixed(bytes, 2, kColdStartCheck, ColdStart{});
        case kActivate:
            if (bytes.size() != 3) return Error::WrongLength;
            return TelegramCommand(Activate{bytes[1], bytes[2]});
        case kActivateOnTrial: {
            if (bytes.size() != 9) return Error::WrongLength;
            ByteReader r(bytes.subspan(5));
            return TelegramCommand(ActivateOnTrial{bytes[1], bytes[2], bytes[3], bytes[4], r.u32()});
        }
        case kConfirmTrial:
            if (bytes.size() != 3) return Error::WrongLength;
            return TelegramCommand(ConfirmTrial{bytes[1], bytes[2]});
        case kTrialStatus:
            return parseFixed(bytes, 1, 0, TrialStatus{});
        case kPartition:
            return parsePartitionService(bytes);
        default:
            return Error::UnknownCommand;
    }
}

std::vector<uint8_t> buildTelegram(const TelegramCommand& command) {
    std::vector<uint8_t> out;
    std::visit(Builder{out}, command);
    return out;
}

}  // namespace wire::telegram
