#pragma once
// The real platform as the command line assembles it, and the program running on it.
#include <iosfwd>
#include <memory>
#include <string>

#include "app/Program.h"

namespace kvxglib {
class RealLibrary;
}
namespace components {
class UdpFinderFactory;
}

namespace cli {

class ConsoleMessageBoxes;
class ConsoleScreen;

class Session {
public:
    // `machineDir` empty: $KRELVAN_MACHINE_DIR, else ~/.config/krelvan. Without `interactive`
    // no input box reads the terminal: a session on a worker thread must never wait for it.
    Session(const std::string& machineDir, std::ostream& err, bool interactive = true);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    app::Program& program() { return *program_; }
    // The general library itself, for what only it offers (opening links by address).
    kvxglib::RealLibrary& library();
    ConsoleMessageBoxes& messageBoxes();
    ConsoleScreen& screen();
    components::UdpFinderFactory& finders();

private:
    struct Services;
    std::unique_ptr<Services> services_;
    std::unique_ptr<app::Program> program_;
};

}  // namespace cli
