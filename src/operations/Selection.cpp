#include "operations/Selection.h"

#include <vector>

#include "app/Dispatch.h"
#include "app/Program.h"
#include "load/PartitionList.h"
#include "operations/WholeNumber.h"
#include "platform/os/NativePath.h"

namespace operations {

std::optional<std::string> rowProblem(int row, std::size_t count, const std::string& what,
                                      const std::string& where) {
    const std::string plural = what + "s";
    const std::string at = what + " " + std::to_string(row) + ": ";
    if (row < 1) return at + plural + " are numbered from 1";
    if (static_cast<std::size_t>(row) > count) {
        return at + (count == 0 ? "there are no " + plural + where
                     : count == 1
                         ? "there is only 1 " + what + where
                         : "there are only " + std::to_string(count) + " " + plural + where);
    }
    return std::nullopt;
}

std::optional<int> programRow(const app::Program& program, const std::string& text, int model,
                              std::string& why) {
    const auto& rows = program.formMain.CtrlPrograms.items;
    const std::string where = " of model " + std::to_string(model);
    long number = 0;
    if (!text.empty() && text.find_first_not_of("0123456789") == std::string::npos) {
        if (!parseNumber(text, 0, 32767, number)) number = 32767;
        if (auto problem = rowProblem(static_cast<int>(number), rows.size(), "program", where)) {
            why = *problem;
            return std::nullopt;
        }
        return static_cast<int>(number);
    }
    std::vector<int> matches;
    std::string listed;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].text == text) matches.push_back(static_cast<int>(i) + 1);
        listed += (listed.empty() ? "" : ", ") + std::to_string(i + 1) + " " + rows[i].text;
    }
    if (matches.size() == 1) return matches.front();
    const std::string at = "program \"" + text + "\": ";
    if (rows.empty()) {
        why = at + "there are no programs" + where;
        return std::nullopt;
    }
    why = at +
          (matches.empty() ? "model " + std::to_string(model) + " has no revision \"" + text + "\""
                           : std::to_string(matches.size()) + " programs" + where +
                                 " have that revision; give the row number") +
          " (its programs: " + listed + ")";
    return std::nullopt;
}

bool selectRevision(app::Program& program, int model, const std::string& programText,
                    std::string& why) {
    app::FormMain& form = program.formMain;
    app::Dispatch(program, [&] { form.Form_Load(); });
    if (auto problem = rowProblem(model, form.CtrlModels.items.size(), "model")) {
        why = *problem;
        return false;
    }
    app::Dispatch(program, [&] { form.CtrlModels_ItemClick(model); });
    const std::optional<int> row = programRow(program, programText, model, why);
    if (!row) return false;
    app::Dispatch(program, [&] { form.CtrlPrograms_ItemClick(*row); });
    if (program.catalogue.SelectedProjectFolder.empty()) {
        why = "program " + programText + " has no module folder";
        return false;
    }
    return true;
}

bool selectRevisionByText(app::Program& program, const std::string& model,
                          const std::string& revision, std::string& why) {
    app::Dispatch(program, [&] { program.formMain.Form_Load(); });
    const auto& models = program.catalogue.ModelList;
    for (std::size_t m = 0; m < models.size(); ++m) {
        if (os::equalsIgnoreCase(models[m].Name, model))
            return selectRevision(program, static_cast<int>(m) + 1, revision, why);
    }
    why = "the catalogue has no model " + model;
    return false;
}

const catalogue::CProgram& selectedRevision(const app::Program& program) {
    return program.catalogue
        .ProgramList[static_cast<std::size_t>(program.catalogue.SelectedProgramIndex) - 1];
}

bool selectPartitionRow(app::Program& program, int number, std::string& why) {
    load::RefreshPartitionList(program);
    const auto& rows = program.formMain.CtrlPartitions.items;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].text == std::to_string(number)) {
            program.formMain.CtrlPartitions_ItemClick(static_cast<int>(i) + 1);
            return true;
        }
    }
    why = "the controller lists no partition " + std::to_string(number);
    return false;
}

}  // namespace operations
