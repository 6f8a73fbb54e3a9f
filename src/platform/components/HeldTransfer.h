#pragma once
// The end of a transfer whose commit was held (transfer::Job::holdCommit): commit it later, with
// the same check as the engine's own commit, or drop it.
#include <cstdint>

#include "platform/transfer/TransferEngine.h"

namespace components {

// Completed only when the controller's checksum of what it stored equals the image's.
transfer::Result commitHeld(comm::LinkAccess& links, const transfer::Job& job, uint32_t transfer);
// Best effort: the controller drops a staged transfer it is not told about anyway.
void abortHeld(comm::LinkAccess& links, const transfer::Job& job, uint32_t transfer);

}  // namespace components
