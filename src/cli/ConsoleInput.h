#pragma once
// Input boxes on the command line: the prompt on stderr, one line from stdin. A masked box
// turns the terminal's echo off while the line is typed.
#include <istream>
#include <optional>

#include "platform/secure/Sodium.h"
#include "platform/ui/InputBox.h"

namespace cli {

// One line (without its line end) straight into a wiped buffer: no string that grows on the
// way leaves copies of a password behind. Nothing at the end of the input.
std::optional<secure::Secret> readSecretLine(std::istream& in);

class ConsoleInput final : public ui::InputBox {
  public:
    std::optional<std::string> ask(const std::string& prompt, const std::string& title,
                                   const std::string& defaultText, bool masked) override;
};

}  // namespace cli
