#pragma once
// Input boxes on the command line: the prompt on stderr, one line from stdin. A masked box
// turns the terminal's echo off while the line is typed.
#include <istream>
#include <optional>

#include "platform/secure/SecretLine.h"
#include "platform/ui/InputBox.h"

namespace cli {

using secure::readSecretLine;

class ConsoleInput final : public ui::InputBox {
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

}  // namespace cli
