#pragma once
// One user of a serial line at a time: the open device is locked (an advisory lock, which the
// programs of this project all take, as other serial tools do). A tool started by the holder
// may share the line, as the settings tool shares its parent's: the parent waits meanwhile.
#include <string>

namespace comm {

// Locks the device open on `fd`; false with `why` naming the device and its holder when
// another program holds it.
bool lockSerialDevice(int fd, const std::string& path, std::string& why);

}  // namespace comm
