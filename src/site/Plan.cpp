#include "site/Plan.h"

#include "program/Connection.h"

namespace site {

std::string addressText(StationAddress address) {
    return clink::stationText(address.pla, address.ela);
}

std::string rowController(const PlanRow& row) {
    if (!row.serial.empty()) return row.serial;
    std::string text = row.link;
    if (row.address) text += " " + addressText(*row.address);
    return text;
}

}  // namespace site
