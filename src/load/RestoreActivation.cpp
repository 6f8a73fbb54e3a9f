#include "load/RestoreActivation.h"

#include "program/Program.h"
#include "catalogue/WaitSeconds.h"
#include "load/Controller.h"

namespace load {
namespace {
// About five seconds in all: long enough for a controller to drop a transfer it was told to
// abort, short enough that the user is told soon.
constexpr int kTries = 6;
constexpr int32_t kNoApplication = 14;
}  // namespace

bool RestoreActivation(program::Program& program, int16_t pla, int16_t ela, int16_t partition,
                       int16_t subApplication) {
    Controller& controller = ControllerOf(program);
    for (int attempt = 0; attempt < kTries; ++attempt) {
        if (attempt != 0) catalogue::WaitSeconds(program.platform, 1);
        if (!controller.activate(pla, ela, partition, subApplication)) continue;
        int32_t active = -1;
        if (controller.readNumber(pla, ela, "QSystem.ActivePartition", active) &&
            active == partition)
            return true;
    }
    return false;
}

std::string NotRunningText(int16_t partition) {
    const std::string p = std::to_string(partition);
    return "The controller may be left without a running program: partition " + p +
           " could not be activated. Check the connection, then activate partition " + p +
           " in the partition list or load the program again.";
}

std::string KeptProgramText(int16_t partition) {
    return "The controller keeps the program it had: partition " + std::to_string(partition) +
           " runs.";
}

std::string UnconfirmedProgramText(int16_t partition, bool read, int32_t reported) {
    const std::string p = std::to_string(partition);
    if (!read)
        return "The load did not stop the program in partition " + p +
               ", but the controller did not answer when asked whether it runs. Check the "
               "connection and the partition list.";
    if (reported == kNoApplication)
        return "The controller reports that it runs no program (partition 14), although this "
               "load did not stop partition " + p + ". Activate partition " + p +
               " in the partition list.";
    return "The controller reports partition " + std::to_string(reported) +
           " as running, not partition " + p + ", which ran before this load.";
}

}  // namespace load
