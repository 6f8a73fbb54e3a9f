#pragma once
// The main window's partition commands: activate or deactivate, add, remove.
#include <optional>

namespace program {
struct Program;
}

namespace load {

// Activates the partition of the selected row, or deactivates it when it is the active one.
// Without a selected row, or with a row the controller no longer has, nothing is sent and the
// user is told. True when the activation was sent.
bool TogglePartition(program::Program& program);

// The size of CtrlPartitionSize in kilobytes, checked against the controller's free flash. A
// size that does not fit is corrected to what is free and the add goes on; nothing when the
// flash cannot be read, the text is no size from 1 to 32767 KB, or nothing is free (the user
// has been told).
std::optional<double> CheckPartitionSize(program::Program& program);

// Creates a partition named and sized from the main window's boxes. True when the controller
// took it.
bool AddPartition(program::Program& program);

// Removes the highest-numbered partition from 16 to 50 after asking. True when removed.
bool RemovePartitionCommand(program::Program& program);

}  // namespace load
