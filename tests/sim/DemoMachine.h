#pragma once
// The copied demo machine folder, pointed at a running kvxsim.
#include "sim/SimProcess.h"
#include "support/TempFolder.h"

namespace simtest {

// Makes discovery in `temp`'s demo machine folder (from copyDemo) ask `sim`'s UDP port and wait
// 400 ms for answers. False when its Kvxmatic.Ini has no DiscoveryPort line to replace.
bool pointDemoDiscoveryAt(const testsupport::TempFolder& temp, const SimProcess& sim);

}  // namespace simtest
