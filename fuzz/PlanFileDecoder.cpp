#include <algorithm>

#include "FileDecoders.h"
#include "site/PlanFile.h"

namespace filefuzz {

bool exercisePlanFile(std::span<const uint8_t> bytes, std::string& failure) {
    const std::string text(bytes.begin(), bytes.end());
    const int lines = static_cast<int>(std::count(text.begin(), text.end(), '\n')) + 1;
    std::vector<site::PlanProblem> problems;
    const site::Plan plan = site::parsePlan(text, "plans", problems);
    for (const site::PlanProblem& p : problems) {
        if (p.line < 0 || p.line > lines || p.text.empty()) {
            failure = "problem on line " + std::to_string(p.line) + ": \"" + p.text + "\"";
            return false;
        }
    }
    for (const site::PlanRow& row : plan.rows) {
        if (row.line < 2 || row.line > lines) {
            failure = "a row on line " + std::to_string(row.line);
            return false;
        }
        if (row.model.empty() || row.revision.empty() || row.serial.empty() == row.link.empty() ||
            row.link.empty() != !row.address) {
            failure = "the row on line " + std::to_string(row.line) + " names no controller";
            return false;
        }
    }
    return true;
}

}  // namespace filefuzz
