#pragma once
// The catalogue collections, the selection in them and what the selected revision resolved to.
#include <cstdint>
#include <string>
#include <vector>

#include "catalogue/CModel.h"
#include "catalogue/CProgram.h"

namespace catalogue {

struct Catalogue {
    std::string ProductDir;
    std::string ApplicationProgramsFolder;
    std::vector<CModel> ModelList;
    std::vector<CProgram> ProgramList;
    int16_t SelectedModelIndex = 0;  // 1-based
    int16_t SelectedProgramIndex = 0;
    int16_t SelectedPartitionIndex = 0;
    std::string SelectedProjectFolder;
    std::string SelectedModuleDirectory;
    int32_t ProjectNameHandle = 0;
};

}  // namespace catalogue
