#pragma once
// The check of a plan before anything is sent: every row against the catalogue, the network
// and the other rows. It changes nothing on any controller.
#include <vector>

#include "site/Plan.h"
#include "site/RowPreview.h"

namespace app {
struct Program;
}

namespace site {

// `program`: the catalogue loaded (Form_Load), its finders wired, the network password (if
// any) in program.comm.NetworkPassword. Every problem found, in the order of the rows; none
// when the plan can run.
std::vector<PlanProblem> checkPlan(app::Program& program, const Plan& plan);

// The same check, with what the run will do to each row's controller.
PlanCheckResult checkPlanAndPreview(app::Program& program, const Plan& plan);

}  // namespace site
