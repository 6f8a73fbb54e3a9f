#include "load/PartitionRows.h"

#include "load/Controller.h"
#include <cmath>
#include <ctime>

namespace load {

bool ListedPartition(int number) { return number >= 16 && number <= 40; }

std::string LoadDateText(int64_t seconds) {
    if (seconds == 0) return "";
    constexpr int64_t k1980 = 315532800;  // 1980-01-01 00:00 UTC in Unix time
    const auto t = static_cast<std::time_t>(seconds + k1980);
    std::tm local{};
    if (localtime_r(&t, &local) == nullptr) return "";
    char text[40];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
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
            active || activeWeb ? kActivePartitionIcon : 0};
}

}  // namespace load
