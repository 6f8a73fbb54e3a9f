#pragma once
// What the by-name layer and the module files remember for the whole run.
#include <cstdint>
#include <string>

namespace clink {

struct LinkState {
    // The address last written to the module files, and the project and module folders it was
    // written into (another revision's files may hold another address); 0:0 and none until the
    // first change.
    int16_t ModulePLA = 0;
    int16_t ModuleELA = 0;
    std::string ModuleProject;
    std::string ModuleFolder;
    // Armed by a successful by-name access of a Module object, cleared when the next change of
    // result is a failure (the user is told once). The TCP/IP settings dialog reads it.
    bool LinkNoticeFlag = false;
};

}  // namespace clink
