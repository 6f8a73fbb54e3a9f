#pragma once
// The load job behind "Load Controller": checks, operating-system upgrade, clock, and the
// program load through the job loader or, on KVXreal C controllers, into a partition.
#include <string>

namespace program {
struct Program;
}

namespace load {

struct LoadTarget;

// Returned: the program was stored but did not run; what ran before runs again (or the user was
// told that nothing may run).
enum class LoadOutcome { Loaded, Cancelled, Failed, NotRun, Returned };

// The whole command. The outcome is what the user was told.
LoadOutcome LoadController(program::Program& program);

// The program's folder: its Directory as given when absolute, else inside the revision's
// folder.
std::string ProgramDirectory(program::Program& program, const std::string& directory);

// One job file of the selected program (called by LoadController); on KVXreal C controllers
// into the partition LoadController decided.
LoadOutcome LoadProgramFiles(program::Program& program, const std::string& directory,
                             const std::string& jobFile, const LoadTarget& target);
LoadOutcome LoadKvxrealCApplication(program::Program& program, const std::string& directory,
                                    const std::string& jobFile, const LoadTarget& target);

// The main window's Timer1 and Info while the job loader runs.
void ShowJobLoaderProgress(program::Program& program);
void ShowJobLoaderInfo(program::Program& program);

}  // namespace load
