#pragma once
// The system variables a fresh controller has, with their start values: the shared system
// variable table, filtered for the kind of controller.
#include <cstdint>
#include <string>
#include <vector>

#include "sim/VariableStore.h"

namespace sim {

struct SystemVariable {
    std::string name;  // "QSystem.PLA"
    uint16_t file = 0;
    int32_t index = 0;
    StoredVariable variable;
};

std::vector<SystemVariable> systemVariables(bool kvxrealC);

// Well-known places the simulator fills from the network file or keeps up to date.
constexpr uint16_t kSystemFile = 241;
constexpr int32_t kPlaIndex = 0;
constexpr int32_t kElaIndex = 1;
constexpr int32_t kModuleTypeIndex = 36;
constexpr int32_t kOsTextIndex = 60;
constexpr int32_t kOsRevisionIndex = 61;
constexpr int32_t kApplicationNameIndex = 62;
constexpr int32_t kControllerNameIndex = 63;
constexpr int32_t kControllerDescriptionIndex = 69;
constexpr int32_t kActivePartitionIndex = 88;

}  // namespace sim
