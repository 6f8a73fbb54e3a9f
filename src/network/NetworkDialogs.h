#pragma once
// Showing the TCP/IP dialogs: each is made for one use, loaded, shown modally through the
// form host and unloaded.
namespace program {
struct Program;
}
namespace ui {
class FormHost;
}

namespace network {

// "Search and Select"; true when a controller was chosen and connected.
bool ShowSearchTCP(program::Program& program, ui::FormHost& host);
// "TCP/IP Settings" of the current controller; true after OK or "Load settings and close".
bool ShowTCPSettings(program::Program& program, ui::FormHost& host);

}  // namespace network
