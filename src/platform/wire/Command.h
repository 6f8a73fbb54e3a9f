#pragma once
// Command codes of the frame header and the ranges kept for later additions.
#include <cstdint>

namespace wire {

enum class Command : uint8_t {
    ReadVariable = 0x01,
    WriteVariable = 0x02,
    WriteBatch = 0x03,
    Telegram = 0x04,
    SetClock = 0x05,
    PartitionTable = 0x06,      // KVXreal C: create and remove partitions, all or nothing
    ApplicationControl = 0x07,  // older controllers: stop, clear, start the application
    StationList = 0x08,  // a bus head or gateway: the stations on its bus now
    TransferOpen = 0x20,
    TransferBlock = 0x21,
    TransferCommit = 0x22,
    TransferAbort = 0x23,
    TransferStatus = 0x24,
    TransferRead = 0x25,  // older controllers: read back the application they hold
    Discover = 0x30,  // UDP only
    Hello = 0x40,     // start of the password handshake: fresh nonces and ephemeral keys
    Proof = 0x41,     // the host's proof of the password; the controller's proof back
    Sealed = 0x42,    // a whole frame in an authenticated-encryption box
};

constexpr uint8_t code(Command c) { return static_cast<uint8_t>(c); }
constexpr uint8_t kSealedCommand = code(Command::Sealed);

// Reserved ranges: a controller answers them with UnknownCommand until they are built.
constexpr uint8_t kBulkTransferFirst = 0x20, kBulkTransferLast = 0x2F;
constexpr uint8_t kDiscoveryFirst = 0x30, kDiscoveryLast = 0x3F;
constexpr uint8_t kSecurityFirst = 0x40, kSecurityLast = 0x4F;
constexpr uint8_t kPortSettingsFirst = 0x50, kPortSettingsLast = 0x5F;
constexpr uint8_t kPortOsUpgradeFirst = 0x60, kPortOsUpgradeLast = 0x6F;
constexpr uint8_t kTestToolsFirst = 0xF0;

// True for the commands this codec has payload layouts for.
bool isKnownCommand(uint8_t command);
const char* commandName(uint8_t command);

}  // namespace wire
