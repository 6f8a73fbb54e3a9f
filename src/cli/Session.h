#pragma once
// The operations' session with a person at the terminal: messages as lines on stderr, input
// boxes read stdin.
#include <iosfwd>
#include <string>

#include "operations/LineUi.h"
#include "operations/Session.h"
#include "operations/TerminalInput.h"

namespace cli {

namespace detail {
// Made before the session that keeps a pointer to it.
struct WithTerminal {
    operations::TerminalInput terminal;
};
}  // namespace detail

class Session : private detail::WithTerminal, public operations::Session {
  public:
    Session(const std::string& machineDir, std::ostream& err)
        : operations::Session(machineDir, err, &terminal) {}
};

}  // namespace cli
