#pragma once
// The plan file: CSV as spreadsheets write it, one row per controller under a header that
// names the columns (docs/site-plan.md).
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "site/Plan.h"

namespace site {

// A plan is tens to hundreds of rows: anything far beyond is not a plan.
constexpr std::size_t kMaxPlanBytes = 1024 * 1024;
constexpr std::size_t kMaxPlanRows = 2000;

// A whole number min..max written in digits alone: "+8", " 8" or "8x" is none. False when
// the text is none, `out` unchanged.
bool parseNumber(std::string_view text, int min, int max, int& out);

// The rows that read; every row or field that does not is a problem naming its line. A file
// that cannot be read is one problem on line 0 and no rows.
Plan readPlan(const std::string& path, std::vector<PlanProblem>& problems);

// The same on the file's content; a relative settings file is taken from `folder` (the plan's
// own folder; empty: as it stands).
Plan parsePlan(std::string_view text, const std::string& folder,
               std::vector<PlanProblem>& problems);

}  // namespace site
