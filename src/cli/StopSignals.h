#pragma once
// Ctrl-C, a hang-up of the terminal and a plain kill ask the running command to stop (it then
// ends cleanly: a scan keeps what it found, a load puts back the program that ran); a write to
// a closed pipe fails as an error instead of ending the process. One at a time.
#include <csignal>

namespace cli {

class StopSignals {
  public:
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // True once one of the signals arrived while an instance lived.
    static bool asked();

  private:
    struct sigaction saved_[4] {};
};

}  // namespace cli
