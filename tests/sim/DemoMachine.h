#pragma once
// The copied demo machine folder, pointed at a running kvxsim.
#include "sim/SimProcess.h"
#include "support/TempFolder.h"

namespace simtest {

// Makes discovery in `temp`'s demo machine folder (from copyDemo) ask `sim`'s UDP port and wait
// 400 ms for answers. False when its Kvxmatic.Ini has no DiscoveryPort line to replace.
bool pointDemoDiscoveryAt(const testsupport::TempFolder& temp, const SimProcess& sim);

// The serial rate of kvxsim networks whose test is not about the line's rate: the demo's real
// images (hundreds of kilobytes) cross it in seconds instead of a minute.
constexpr int kFastBaud = 921600;

// Makes `temp`'s demo machine folder open its serial link at `baud`. False when its Kvxmatic.Ini
// has no Baud line to replace.
bool setDemoBaud(const testsupport::TempFolder& temp, int baud);

}  // namespace simtest
