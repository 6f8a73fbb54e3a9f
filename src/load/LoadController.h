#pragma once
// The load job behind "Load Controller": checks, operating-system upgrade, clock, and the
// program load through the job loader or, on KVXreal C controllers, into a partition.
#include <string>

namespace app {
struct Program;
}

namespace load {

enum class LoadOutcome { Loaded, Cancelled, Failed, NotRun };

// The whole command. The outcome is what the user was told.
LoadOutcome LoadController(app::Program& program);

// The program's folder: its Directory as given when absolute, else inside the revision's
// folder.
std::string ProgramDirectory(app::Program& program, const std::string& directory);

// One job file of the selected program (called by LoadController).
LoadOutcome LoadProgramFiles(app::Program& program, const std::string& directory,
                             const std::string& jobFile);
LoadOutcome LoadKvxrealCApplication(app::Program& program, const std::string& directory,
                                    const std::string& jobFile);

// The main window's Timer1 and Info while the job loader runs.
void ShowJobLoaderProgress(app::Program& program);
void ShowJobLoaderInfo(app::Program& program);

}  // namespace load
