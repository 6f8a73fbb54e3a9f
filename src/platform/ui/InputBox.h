#pragma once
// The input box: a prompt, a title and a line of text. Nothing when the user cancels. A masked
// box hides what is typed (passwords).
#include <optional>
#include <string>

#include "platform/secure/Sodium.h"

namespace ui {

class InputBox {
  public:
    virtual ~InputBox() = default;
    virtual std::optional<std::string> ask(const std::string& prompt, const std::string& title,
                                           const std::string& defaultText, bool masked) = 0;
    // A masked box whose answer goes into a wiped buffer. A box that can read straight into
    // one does; this one moves the text in and wipes it at once.
    virtual std::optional<secure::Secret> askPassword(const std::string& prompt,
                                                      const std::string& title) {
        auto typed = ask(prompt, title, "", true);
        if (!typed) return std::nullopt;
        return secure::takeSecret(*typed);
    }
};

}  // namespace ui
