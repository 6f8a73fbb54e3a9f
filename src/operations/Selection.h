#pragma once
// Choosing what to load as the main window chooses it: a model and one of its revisions from
// the catalogue, and a partition of the connected controller.
#include <cstddef>
#include <optional>
#include <string>

namespace app {
struct Program;
}
namespace catalogue {
struct CProgram;
}

namespace operations {

// Nothing when 1 <= row <= count; else why, in words: "model 0: models are numbered from 1",
// "program 3: there are only 2 programs of model 1" (`where` is " of model 1").
std::optional<std::string> rowProblem(int row, std::size_t count, const std::string& what,
                                      const std::string& where = "");

// The row of the shown model's programs that `text` names: a row number, or the text of a
// revision that exactly one row has. Nothing with `why` naming the rows and their revisions.
std::optional<int> programRow(const app::Program& program, const std::string& text, int model,
                              std::string& why);

// Form_Load, then the clicks on model row `model` and the program row `programText` names,
// each through the dispatcher. False with `why` for a row that does not exist or a revision
// without a module folder.
bool selectRevision(app::Program& program, int model, const std::string& programText,
                    std::string& why);

// The same with the model named `model` (in any letter case) and its revision by its text
// ("3.1-0-02").
bool selectRevisionByText(app::Program& program, const std::string& model,
                          const std::string& revision, std::string& why);

// The revision selected; only after a selection succeeded.
const catalogue::CProgram& selectedRevision(const app::Program& program);

// Selects the row of partition `number` in the partition list, as a click would; false with
// `why` when the controller lists none.
bool selectPartitionRow(app::Program& program, int number, std::string& why);

}  // namespace operations
