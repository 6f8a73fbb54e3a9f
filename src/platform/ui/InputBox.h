#pragma once
// The input box: a prompt, a title and a line of text. Nothing when the user cancels. A masked
// box hides what is typed (passwords).
#include <optional>
#include <string>

namespace ui {

class InputBox {
  public:
    virtual ~InputBox() = default;
    virtual std::optional<std::string> ask(const std::string& prompt, const std::string& title,
                                           const std::string& defaultText, bool masked) = 0;
};

}  // namespace ui
