#pragma once
// What a run will do to one row's controller, as the plan's check finds it before anything is
// sent: shown by `site check`, before `site run` asks, and per row in the window.
#include <optional>
#include <string>
#include <vector>

#include "site/Plan.h"

namespace site {

struct RowPreview {
    int line = 0;
    std::string controller;  // rowController(row)
    // The operating system now and after the run; `osTo` empty: it stays as it is.
    std::string osFrom;
    std::string osTo;
    // The program partition the load goes to (0: the controller has no partitions) and why
    // that one ("named by the plan", "the one program partition that does not run").
    int partition = 0;
    std::string partitionWhy;
    // The program now (empty: not known) and the revision the row loads.
    std::string programFrom;
    std::string programTo;
    std::optional<StationAddress> addressFrom;
    std::optional<StationAddress> addressTo;  // empty: the address stays
    std::string settingsFile;                 // empty: none is loaded
};

// What the plan alone says of a row; the check fills in what the controller tells.
RowPreview planPreview(const PlanRow& row);

// One line, e.g. "operating system 3.1-0-12 -> 3.2-0-4; partition 16 (the one program
// partition that does not run); program HeatA 3.1-0-01 -> 3.1-0-02; address 1:3 -> 1:7;
// settings site.set".
std::string describe(const RowPreview& preview);

// The plan's problems, and the preview of every row, in the order of the rows.
struct PlanCheckResult {
    std::vector<PlanProblem> problems;
    std::vector<RowPreview> previews;
};

}  // namespace site
