#pragma once
// The user-interface services of the command line: messages go to stderr as one line each,
// questions take their default answer, and there are no window events to process.
#include <functional>
#include <iosfwd>
#include <optional>

#include "platform/ui/MessageBoxes.h"
#include "platform/ui/Screen.h"

namespace cli {

class ConsoleMessageBoxes final : public ui::MessageBoxes {
public:
    explicit ConsoleMessageBoxes(std::ostream& err) : err_(err) {}
    void showMessage(const std::string& text, ui::MessageKind kind) override;
    int32_t ask(const std::string& text, const std::string& caption, int32_t buttons) override;

    // Set: questions are answered yes (OK) or no (Cancel) instead of by their default.
    std::optional<bool> answerYes;
    // Without answerYes: put OK/Cancel and Yes/No questions to the user on stdin.
    bool prompt = false;

private:
    std::ostream& err_;
};

class ConsoleScreen final : public ui::Screen {
public:
    ui::Pointer pointer() const override { return pointer_; }
    void setPointer(ui::Pointer pointer) override { pointer_ = pointer; }
    void processEvents() override {
        if (onEvents) onEvents();
    }

    // Runs at each event round, e.g. to print a load's progress.
    std::function<void()> onEvents;

private:
    ui::Pointer pointer_ = ui::Pointer::Default;
};

}  // namespace cli
