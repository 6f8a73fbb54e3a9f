#include "load/ProgramPartitionChoice.h"

#include <vector>

#include "load/Controller.h"
#include "load/PartitionRows.h"
#include "program/Program.h"

namespace load {
namespace {

constexpr int16_t kTypeAttribute = 4;
constexpr int32_t kProgramType = 2;

std::string listed(const std::vector<uint8_t>& numbers) {
    std::string text;
    for (uint8_t n : numbers) text += (text.empty() ? "" : ", ") + std::to_string(n);
    return text;
}

}  // namespace

ProgramPartitionChoice ChooseFreeProgramPartition(program::Program& program) {
    Controller& controller = ControllerOf(program);
    const clink::Connection& c = program.connection;
    std::vector<uint8_t> numbers;
    int32_t running = -1;
    if (!controller.allPartitions(c.CurrentPLA, c.CurrentELA, numbers) ||
        !controller.readNumber(c.CurrentPLA, c.CurrentELA, "QSystem.ActivePartition", running))
        return {0, "the controller's partitions could not be read"};
    int32_t site = -1;
    if (!controller.readNumber(c.CurrentPLA, c.CurrentELA, "QServices.HttpActiveSitePartition",
                               site))
        site = -1;
    std::vector<uint8_t> free;
    for (uint8_t n : numbers) {
        int32_t type = 0;
        if (!ListedPartition(n) || n == running || n == site) continue;
        // A partition whose type cannot be read is not guessed to be a program's.
        if (controller.partAttr(c.CurrentPLA, c.CurrentELA, n, kTypeAttribute, type) &&
            type == kProgramType)
            free.push_back(n);
    }
    if (free.size() == 1) return {free.front(), {}};
    const std::string runs = "partition " + std::to_string(running) + " runs its program";
    if (free.empty())
        return {0, "no partition is free for the program (" + runs +
                       "): add one or name one in the plan's partition column"};
    return {0, "several partitions could take the program (" + listed(free) + "; " + runs +
                   "): name one in the plan's partition column"};
}

}  // namespace load
