#pragma once
// The main window's list of the controller's partitions.
#include <cstdint>
#include <optional>
#include <vector>

namespace program {
struct Program;
}

namespace load {

// Rebuilds CtrlPartitions from the controller and enables the add and remove buttons. The
// list stays empty when the controller's partition numbers cannot be read.
void RefreshPartitionList(program::Program& program);

// The partition number of the selected row of CtrlPartitions; nothing without a selected row
// or with a row text that is no number.
std::optional<int> SelectedPartitionNumber(const program::Program& program);

// The partition of the row the user chose since the list was last read: the row a refresh
// selects (the running partition's) is no choice.
std::optional<int> ChosenPartitionNumber(const program::Program& program);

}  // namespace load
