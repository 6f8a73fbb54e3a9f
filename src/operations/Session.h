#pragma once
// The real platform assembled without a window, and the program running on it: what a front
// end or a worker thread starts to act on controllers. Messages go as lines to a stream of the
// caller's; how a person is asked for input (if at all) is the caller's choice.
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
namespace ui {
class InputBox;
}

namespace operations {

class LineMessageBoxes;
class HookedScreen;

class Session {
  public:
    // `machineDir` empty: $KRELVAN_MACHINE_DIR, else ~/.config/krelvan. `input` null: no input
    // box is answered (a session on a worker thread must never wait for one); else it must
    // outlive the session.
    Session(const std::string& machineDir, std::ostream& said, ui::InputBox* input = nullptr);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    app::Program& program() { return *program_; }
    // The general library itself, for what only it offers (opening links by address).
    kvxglib::RealLibrary& library();
    LineMessageBoxes& messageBoxes();
    HookedScreen& screen();
    components::UdpFinderFactory& finders();

  private:
    struct Services;
    std::unique_ptr<Services> services_;
    std::unique_ptr<app::Program> program_;
};

}  // namespace operations
