#pragma once
// The main window's address change and controller reset.
#include <cstdint>

namespace program {
struct Program;
}

namespace load {

enum class AddressChange { Changed, Occupied, WriteFailed, NoAnswer, NotRun };
// Over TCP/IP whether the network is searched for another controller at the new address (the
// link itself reaches only one). A site run leaves it to the plan's check, which knows which
// of its rows move away.
enum class NetworkSearch { Skip, Search };

// The whole command behind "Change address": the dialog, the checks and the change.
void ChangeAddress(program::Program& program);
// The same without the dialog, for the command line: the lock, the presence check, the range
// check and the change.
AddressChange ChangeAddressTo(program::Program& program, int16_t newPla, int16_t newEla,
                              NetworkSearch search = NetworkSearch::Skip);
// The whole command behind "Reset Controller". True when the cold start was sent.
bool ResetController(program::Program& program);

// PLA 1..254 and ELA 1..255; otherwise the first fault is shown and false returned.
bool ValidateAddress(program::Program& program, int16_t pla, int16_t ela);

// Moves the controller at CurrentPLA:CurrentELA to the new address, which must be valid. A
// controller already answering there (on the link, or with `search` anywhere on the TCP/IP
// network) stops it before anything is written. Each half of the
// address is adopted only when its write succeeded; the controller is then polled where it
// should now answer. Every outcome but Changed has been told to the user.
AddressChange ApplyAddressChange(program::Program& program, int16_t newPla, int16_t newEla,
                                 NetworkSearch search = NetworkSearch::Skip);

}  // namespace load
