#pragma once
// One program of one revision of a model.
#include <string>

namespace catalogue {

struct CProgram {
    std::string ArtNo = "000-0000-00";
    std::string Revision;
    std::string Name;
    std::string Directory;
    std::string File;
    bool Current = false;
    std::string FileC;
};

}  // namespace catalogue
