#pragma once
// The main window's Communication command, for now without the Communication Settings
// dialog: choose a controller on the TCP/IP network, then show its TCP/IP settings.
namespace app {

struct Program;

void OpenTcpIpDialogs(Program& program);

}  // namespace app
