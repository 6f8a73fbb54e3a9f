#pragma once
// The user-interface services of the command line: messages go to stderr as one line each,
// questions take their default answer, and there are no window events to process.
#include <iosfwd>

#include "platform/ui/MessageBoxes.h"
#include "platform/ui/Screen.h"

namespace cli {

class ConsoleMessageBoxes final : public ui::MessageBoxes {
public:
    explicit ConsoleMessageBoxes(std::ostream& err) : err_(err) {}
    void showMessage(const std::string& text, ui::MessageKind kind) override;
    int32_t ask(const std::string& text, const std::string& caption, int32_t buttons) override;

private:
    std::ostream& err_;
};

class ConsoleScreen final : public ui::Screen {
public:
    ui::Pointer pointer() const override { return pointer_; }
    void setPointer(ui::Pointer pointer) override { pointer_ = pointer; }
    void processEvents() override {}

private:
    ui::Pointer pointer_ = ui::Pointer::Default;
};

}  // namespace cli
