#include "platform/wire/Command.h"

namespace wire {

bool isKnownCommand(uint8_t command) {
    switch (static_cast<Command>(command)) {
        case Command::ReadVariable:
        case Command::WriteVariable:
        case Command::WriteBatch:
        case Command::Telegram:
        case Command::SetClock:
        case Command::PartitionTable:
        case Command::ApplicationControl:
        case Command::StationList:
        case Command::Discover:
        case Command::Hello:
        case Command::Proof:
        case Command::Sealed:
        case Command::TransferOpen:
        case Command::TransferBlock:
        case Command::TransferCommit:
        case Command::TransferAbort:
        case Command::TransferStatus:
        case Command::TransferRead:
            return true;
    }
    return false;
}

const char* commandName(uint8_t command) {
    switch (static_cast<Command>(command)) {
        case Command::ReadVariable:
            return "ReadVariable";
        case Command::WriteVariable:
            return "WriteVariable";
        case Command::WriteBatch:
            return "WriteBatch";
        case Command::Telegram:
            return "Telegram";
        case Command::SetClock:
            return "SetClock";
        case Command::PartitionTable:
            return "PartitionTable";
        case Command::ApplicationControl:
            return "ApplicationControl";
        case Command::StationList:
            return "StationList";
        case Command::Discover:
            return "Discover";
        case Command::Hello:
            return "Hello";
        case Command::Proof:
            return "Proof";
        case Command::Sealed:
            return "Sealed";
        case Command::TransferOpen:
            return "TransferOpen";
        case Command::TransferBlock:
            return "TransferBlock";
        case Command::TransferCommit:
            return "TransferCommit";
        case Command::TransferAbort:
            return "TransferAbort";
        case Command::TransferStatus:
            return "TransferStatus";
        case Command::TransferRead:
            return "TransferRead";
    }
    if (command >= kBulkTransferFirst && command <= kBulkTransferLast) return "reserved (bulk)";
    if (command >= kDiscoveryFirst && command <= kDiscoveryLast) return "reserved (discovery)";
    if (command >= kSecurityFirst && command <= kSecurityLast) return "reserved (security)";
    if (command >= kPortSettingsFirst && command <= kPortSettingsLast)
        return "reserved (port settings)";
    if (command >= kPortOsUpgradeFirst && command <= kPortOsUpgradeLast)
        return "reserved (Port OS upgrade)";
    if (command >= kTestToolsFirst) return "reserved (test tools)";
    return "unknown";
}

}  // namespace wire
