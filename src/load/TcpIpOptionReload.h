#pragma once
// The TCP/IP option reload of a controller without KVXreal C: its web pages live in the
// option's image ("Image.Bin" of the revision's controller folder), which goes into the TCP/IP
// port through the finder's controller entry.
#include <string>

namespace program {
struct Program;
}

namespace load {

// The option image of the selected revision: its controller folder's "Image.Bin".
std::string TcpIpOptionImagePath(program::Program& program);

// The whole reload; true when the port took the image. Every ending but an image that is not
// valid has told the user.
bool ReloadTcpIpOption(program::Program& program);

}  // namespace load
