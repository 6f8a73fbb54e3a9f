#pragma once
// How one partition reads in the main window's list.
#include <cstdint>
#include <string>

#include "platform/ui/Controls.h"

namespace load {

struct PartitionInfo {
    int number = 0;
    std::string name;  // as read; a trailing zero character is dropped here
    std::string title;
    int32_t loadSeconds = 0;  // since 1 January 1980
    int32_t type = 0;
    int32_t currentSize = 0;  // bytes
    int32_t maxSize = 0;
};

// Only these partitions get a row.
bool ListedPartition(int number);

// The load time, seconds since 1 January 1980 UTC, in the user's local time zone as
// "YYYY-MM-DD hh:mm:ss"; empty for 0 (never loaded).
std::string LoadDateText(int64_t seconds);
// Bytes as whole kilobytes, a half going to the even number, with " KB".
std::string KilobyteText(int32_t bytes);
std::string PartitionTypeText(int32_t type);

// The row's icon when it is active: a mark in its first column, which a long name cannot push
// out of sight.
inline constexpr int kActivePartitionIcon = 1;

// The row; `active` and `activeWeb` each append " (Active)" to the name and set the icon.
ui::ListItem PartitionRow(const PartitionInfo& info, bool active, bool activeWeb);

}  // namespace load
