#pragma once
// What starting a "program" means here: an executable file runs with the split arguments; a
// document or a folder opens with the desktop's opener (xdg-open); the platform's own file
// browser and text editor ("Explorer.exe", "Notepad.exe") become the opener of their whole
// argument text, which names one folder or file even when it holds blanks.
#include <string>

#include "platform/kvxglib/ProcessLauncher.h"

namespace kvxglib {

class ProgramStarter {
  public:
    explicit ProgramStarter(ProcessLauncher& launcher) : launcher_(launcher) {}

    // `program` is a native path or a name found on PATH; `arguments` a command-line text;
    // `directory` the working folder (ours when empty). True when something was started.
    bool start(const std::string& program, const std::string& arguments,
               const std::string& directory);

  private:
    ProcessLauncher& launcher_;
};

}  // namespace kvxglib
