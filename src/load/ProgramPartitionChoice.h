#pragma once
// Where a program goes when nobody named a partition: the one program partition that neither
// runs the controller's program nor serves its web site. The running one is refused by the
// controller, and choosing among several would be a guess.
#include <cstdint>
#include <string>
#include <string_view>

namespace program {
struct Program;
}

namespace load {

struct ProgramPartitionChoice {
    uint8_t partition = 0;  // 0: none chosen, see `why`
    std::string why;
};

// The partitions of CurrentPLA:CurrentELA. `nameOne` tells how the user names a partition
// where the rule finds none or several.
ProgramPartitionChoice ChooseFreeProgramPartition(
    program::Program& program,
    std::string_view nameOne = "name one in the plan's partition column");

// The partition a load of the selected program goes into, decided before anything on the
// controller changes: the row the user chose, or without a choice the one free program
// partition. 0 when the controller would refuse the load, or nothing says which: `why` is
// what to tell the user. `note` says how a partition nobody chose was taken.
struct LoadTarget {
    uint8_t partition = 0;
    std::string why;
    std::string note;
};
LoadTarget ChooseLoadTarget(program::Program& program);

}  // namespace load
