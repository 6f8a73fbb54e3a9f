#pragma once
// The plan file: CSV as spreadsheets write it, one row per controller under a header that
// names the columns (docs/site-plan.md).
#include <string>
#include <vector>

#include "site/Plan.h"

namespace site {

// The rows that read; every row or field that does not is a problem naming its line. A file
// that cannot be read is one problem on line 0 and no rows.
Plan readPlan(const std::string& path, std::vector<PlanProblem>& problems);

}  // namespace site
