#pragma once
// The input box as a Qt input dialog over the active window; a masked box hides what is typed.
#include <functional>

#include "platform/ui/InputBox.h"

namespace gui {

class QtInputBox final : public ui::InputBox {
  public:
    // Runs before the box opens, so the window behind it shows the program's current state.
    void setRefresh(std::function<void()> refresh) { refresh_ = std::move(refresh); }

    std::optional<std::string> ask(const std::string& prompt, const std::string& title,
                                   const std::string& defaultText, bool masked) override;
    // Our own copies of the typed text are wiped; the line edit's is cleared.
    std::optional<secure::Secret> askPassword(const std::string& prompt,
                                              const std::string& title) override;

  private:
    std::function<void()> refresh_;
};

}  // namespace gui
