#pragma once
// The one lock of the main window's controller commands. While it is held the lists and the
// command controls are disabled and a second command is refused; it is released on every
// path out of the command, by the destructor.
namespace program {
struct Program;
}

namespace load {

enum class Unlock {
    FromProgramOptions,  // load job: the buttons follow the selected revision's options
    Everything,          // address change and reset: every command on again
    AsBefore,            // partition commands: each control as it was
};

// For the entry points that change the link or the selection under a running command: true,
// with the user told, while the lock is held.
bool CommandRunning(program::Program& program);

class CommandLock {
  public:
    CommandLock(program::Program& program, Unlock unlock);
    ~CommandLock();
    CommandLock(const CommandLock&) = delete;
    CommandLock& operator=(const CommandLock&) = delete;

    // False when another command was running; the user has been told and nothing is locked.
    bool acquired() const { return acquired_; }

  private:
    struct Saved {
        bool models, programs, loadProg, loadWeb, comPort, changeAddress, reset, saveLoad;
        bool partitions, activate, add, remove;
    };

    program::Program& program_;
    Unlock unlock_;
    bool acquired_ = false;
    Saved saved_{};
};

}  // namespace load
