#pragma once
// A person at a terminal: input boxes put their prompt on stderr and read one line from stdin
// (a masked box turns the terminal's echo off while the line is typed), and questions are
// answered there too.
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>

#include "platform/secure/SecretLine.h"
#include "platform/ui/InputBox.h"

namespace operations {

using secure::readSecretLine;

class TerminalInput final : public ui::InputBox {
  public:
    std::optional<std::string> ask(const std::string& prompt, const std::string& title,
                                   const std::string& defaultText, bool masked) override;
    // Read straight into the wiped buffer, echo off on a terminal.
    std::optional<secure::Secret> askPassword(const std::string& prompt,
                                              const std::string& title) override;

  private:
    std::optional<secure::Secret> readLine(const std::string& prompt, const std::string& title,
                                           bool masked);
};

// Puts a question on `err` and reads the answer from stdin: "y" accepts a Yes/No question,
// "ok" or "y" an OK/Cancel one; anything else, or no answer at all, is the safe answer.
// For LineMessageBoxes::askPerson.
std::function<bool(const std::string& text, bool yesNo)> askOnTerminal(std::ostream& err);

}  // namespace operations
