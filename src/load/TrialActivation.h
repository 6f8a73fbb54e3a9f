#pragma once
// Activation on trial, the one way every command starts a new program on a KVXreal C
// controller: the controller runs it and goes back by itself unless the host confirms, and
// the host confirms only once the controller reports the new program running.
#include <cstdint>
#include <string>

namespace program {
struct Program;
}

namespace load {

enum class TrialEnd {
    Confirmed,   // the new program runs and stays
    Untried,     // the controller knows no trial: activated plainly and read back
    Returned,    // the new program did not run; what ran before runs again (read back)
    NotRunning,  // nothing could be confirmed running: `text` says what to do
};

struct TrialResult {
    TrialEnd end = TrialEnd::NotRunning;
    std::string text;  // for the user; empty when all is well
    bool tried = true;  // false: the controller knows no trial (Untried, or NotRunning for it)
};

// The trial time the host asks for; a controller may grant less.
constexpr uint32_t kTrialAskMs = 30000;

// What is done with a controller that knows no trial: activate and read back until it names
// the partition (after a load), or activate once as the partition list always has.
enum class Untried { ReadBack, ActivateOnce };

// Activates partition/subApplication on trial, returning to back/backSub when it does not run.
// Waits at most the granted trial time (and a little) for the program to report running.
TrialResult ActivateOnTrial(program::Program& program, int16_t pla, int16_t ela,
                            int16_t partition, int16_t subApplication, int16_t back,
                            int16_t backSub, Untried untried = Untried::ReadBack);

}  // namespace load
