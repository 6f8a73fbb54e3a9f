#include "load/PartitionRows.h"

#include "load/Controller.h"
#include <chrono>
#include <cmath>
#include <cstdio>

namespace load {

bool ListedPartition(int number) { return number >= 16 && number <= 40; }

std::string LoadDateText(int32_t seconds) {
    if (seconds == 0) return "00:00:00";
    using namespace std::chrono;
    // The controller counts local time two hours behind; the offset is fixed, not a zone.
    constexpr int64_t kControllerOffset = 7200;
    const int64_t total = int64_t{seconds} + kControllerOffset;
    const int64_t perDay = 86400;
    int64_t days = total / perDay;
    int64_t rest = total % perDay;
    if (rest < 0) {
        rest += perDay;
        --days;
    }
    const year_month_day date{sys_days{year{1980} / January / 1} + std::chrono::days{days}};
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u %02d:%02d:%02d", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                  static_cast<int>(rest / 3600), static_cast<int>(rest / 60 % 60),
                  static_cast<int>(rest % 60));
    return text;
}

std::string KilobyteText(int32_t bytes) {
    // nearbyint rounds a half to the even number in the default rounding mode.
    const double kilobytes = std::nearbyint(static_cast<double>(bytes) / 1024.0);
    return std::to_string(static_cast<int64_t>(kilobytes)) + " KB";
}

std::string PartitionTypeText(int32_t type) {
    switch (type) {
        case 2: return "Prog.";
        case 3: return "WEB";
        default: return std::to_string(type);
    }
}

ui::ListItem PartitionRow(const PartitionInfo& info, bool active, bool activeWeb) {
    std::string name = info.name;
    if (!name.empty() && name.back() == '\0') name.pop_back();
    if (active) name += " (Active)";
    if (activeWeb) name += " (Active)";
    return {std::to_string(info.number),
            {name, info.title, LoadDateText(info.loadSeconds), KilobyteText(info.currentSize),
             KilobyteText(info.maxSize), PartitionTypeText(info.type)},
            0};
}

}  // namespace load
