#pragma once
// Which partition takes a web site: the selected row when it can, else a web partition,
// else (after asking) the last empty program partition.
#include <cstdint>

namespace program {
struct Program;
}

namespace load {

struct WebPartitionChoice {
    enum class Ending { Chosen, Declined, NoneSuitable, Unreadable } ending = Ending::Unreadable;
    uint8_t partition = 0;  // when Chosen
};

// The partitions of CurrentPLA:CurrentELA; asks the user only when neither the selected row
// nor a web partition numbered above 15 fits. Nothing suitable (the question's partition 0)
// is never chosen, even when the user accepts it.
WebPartitionChoice ChooseWebPartition(program::Program& program);

}  // namespace load
