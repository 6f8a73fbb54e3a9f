#pragma once
// A site plan: the controllers to commission, one row each, as the plan file lists them
// (docs/site-plan.md). Rows keep their line number in the file so that every message can name
// the row the engineer has to mend.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace site {

struct StationAddress {
    uint8_t pla = 0;
    uint8_t ela = 0;
    bool operator==(const StationAddress&) const = default;
};

// "PLA:ELA".
std::string addressText(StationAddress address);

struct PlanRow {
    int line = 0;  // in the plan file, 1-based, the header being line 1
    // The controller found on the network by its serial number; empty for a station of a
    // serial bus, which is named by `link` and `address` instead.
    std::string serial;
    std::string link;  // "serial:PATH" or "tcp:HOST:PORT"; empty with a serial number
    std::optional<StationAddress> address;
    std::string model;     // as the catalogue names it
    std::string revision;  // the program revision by its text, e.g. "3.1-0-02"
    int partition = 0;     // 0: the partition a single load would choose
    std::optional<StationAddress> newAddress;
    std::string settingsFile;  // loaded after the program; empty for none
};

// How a row names its controller in messages: the serial number, else link and address.
std::string rowController(const PlanRow& row);

struct Plan {
    std::string file;
    std::vector<PlanRow> rows;
};

// One thing wrong with a plan, for the row it is on (0: the file as a whole).
struct PlanProblem {
    int line = 0;
    std::string text;
};

}  // namespace site
