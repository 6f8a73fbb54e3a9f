#pragma once
// The request telegrams a controller understands, parsed from their bytes (command byte on)
// and built back. Lengths are exact.
#include <cstdint>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "platform/wire/Result.h"

namespace wire::telegram {

constexpr uint8_t kPoll = 0x98;
constexpr uint8_t kCoolStart = 0x45, kCoolStartCheck = 0xBA;
constexpr uint8_t kColdStart = 0x1C, kColdStartCheck = 0xE3;
constexpr uint8_t kActivate = 0x61;
// Activation on trial: the controller returns by itself unless the host confirms in time.
constexpr uint8_t kActivateOnTrial = 0x62;
constexpr uint8_t kConfirmTrial = 0x63;
constexpr uint8_t kTrialStatus = 0x64;
constexpr uint8_t kPartition = 0xCB;
// Partition services: the byte after 0xCB.
constexpr uint8_t kListPartitions = 0x00;
constexpr uint8_t kGetNumberAttribute = 0x10;
constexpr uint8_t kSetNumberAttribute = 0x11;
constexpr uint8_t kGetTextAttribute = 0x14;
constexpr uint8_t kSetTextAttribute = 0x15;
// Partition number that stands for "no application": activating it deactivates.
constexpr uint8_t kDeactivatePartition = 14;

struct Poll {
    bool operator==(const Poll&) const = default;
};
struct CoolStart {
    bool operator==(const CoolStart&) const = default;
};
struct ColdStart {
    bool operator==(const ColdStart&) const = default;
};
struct Activate {
    uint8_t partition = 0;
    uint8_t subApplication = 0;
    bool operator==(const Activate&) const = default;
};
// Runs partition/subApplication until confirmed; without a confirmation within the trial time,
// or at once when its program does not start, the controller runs the return partition and
// sub-application again.
struct ActivateOnTrial {
    uint8_t partition = 0;
    uint8_t subApplication = 0;
    uint8_t returnPartition = 0;
    uint8_t returnSubApplication = 0;
    uint32_t trialMs = 0;  // the host's wish; the controller may grant less
    bool operator==(const ActivateOnTrial&) const = default;
};
// Names the trial it confirms, so that a late host never confirms another's.
struct ConfirmTrial {
    uint8_t partition = 0;
    uint8_t subApplication = 0;
    bool operator==(const ConfirmTrial&) const = default;
};
struct TrialStatus {
    bool operator==(const TrialStatus&) const = default;
};
struct ListPartitions {
    bool operator==(const ListPartitions&) const = default;
};
struct GetNumberAttribute {
    uint8_t partition = 0;
    uint16_t attribute = 0;
    bool operator==(const GetNumberAttribute&) const = default;
};
struct SetNumberAttribute {
    uint8_t partition = 0;
    uint16_t attribute = 0;
    int32_t value = 0;
    bool operator==(const SetNumberAttribute&) const = default;
};
struct GetTextAttribute {
    uint8_t partition = 0;
    uint16_t attribute = 0;
    bool operator==(const GetTextAttribute&) const = default;
};
struct SetTextAttribute {
    uint8_t partition = 0;
    uint16_t attribute = 0;
    std::string text;  // code page 850 bytes
    bool operator==(const SetTextAttribute&) const = default;
};

using TelegramCommand =
    std::variant<Poll, CoolStart, ColdStart, Activate, ListPartitions, GetNumberAttribute,
                 SetNumberAttribute, GetTextAttribute, SetTextAttribute, ActivateOnTrial,
                 ConfirmTrial, TrialStatus>;

// UnknownCommand for an unknown command or partition service, WrongLength for a known one
// of the wrong length, BadValue for wrong check bytes.
Result<TelegramCommand> parseTelegram(std::span<const uint8_t> bytes);
std::vector<uint8_t> buildTelegram(const TelegramCommand& command);

}  // namespace wire::telegram
