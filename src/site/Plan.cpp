#include "site/Plan.h"

namespace site {

std::string addressText(StationAddress address) {
    return std::to_string(address.pla) + ":" + std::to_string(address.ela);
}

std::string rowController(const PlanRow& row) {
    if (!row.serial.empty()) return row.serial;
    std::string text = row.link;
    if (row.address) text += " " + addressText(*row.address);
    return text;
}

}  // namespace site
