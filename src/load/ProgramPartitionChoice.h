#pragma once
// Where a program goes when nobody named a partition: the one program partition that neither
// runs the controller's program nor serves its web site. The running one is refused by the
// controller, and choosing among several would be a guess.
#include <cstdint>
#include <string>

namespace program {
struct Program;
}

namespace load {

struct ProgramPartitionChoice {
    uint8_t partition = 0;  // 0: none chosen, see `why`
    std::string why;
};

// The partitions of CurrentPLA:CurrentELA.
ProgramPartitionChoice ChooseFreeProgramPartition(program::Program& program);

}  // namespace load
