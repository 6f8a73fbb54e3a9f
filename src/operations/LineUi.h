#pragma once
// The user-interface services of a session without a window: each message is one line of a
// stream, a question takes its default answer (or yes), and event rounds run a hook. How a
// person is asked, if at all, is the front end's choice: it sets `askPerson`.
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>

#include "platform/ui/MessageBoxes.h"
#include "platform/ui/Screen.h"

namespace operations {

class LineMessageBoxes final : public ui::MessageBoxes {
  public:
    explicit LineMessageBoxes(std::ostream& out) : out_(out) {}
    void showMessage(const std::string& text, ui::MessageKind kind) override;
    int32_t ask(const std::string& text, const std::string& caption, int32_t buttons) override;

    // Set: questions are answered yes (OK) or no (Cancel) instead of by their default.
    std::optional<bool> answerYes;
    // Without answerYes: OK/Cancel and Yes/No questions go to this person, who accepts (true)
    // or not; `yesNo` tells which of the two the question is.
    std::function<bool(const std::string& text, bool yesNo)> askPerson;

  private:
    std::ostream& out_;
};

// One message, one line: line breaks inside a message would break the line-per-message rule.
std::string oneLine(const std::string& text);

class HookedScreen final : public ui::Screen {
  public:
    ui::Pointer pointer() const override { return pointer_; }
    void setPointer(ui::Pointer pointer) override { pointer_ = pointer; }
    void processEvents() override {
        if (onEvents) onEvents();
    }

    // Runs at each event round, e.g. to show a load's progress.
    std::function<void()> onEvents;

  private:
    ui::Pointer pointer_ = ui::Pointer::Default;
};

}  // namespace operations
