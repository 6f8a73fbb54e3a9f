#pragma once
// Message and question boxes as real Qt message boxes.
#include <QMessageBox>
#include <functional>

#include "platform/ui/MessageBoxes.h"

namespace gui {

// The button codes the program passes, as Qt buttons, and Qt's answer as the program's code.
QMessageBox::StandardButtons qtButtons(int32_t buttonSet);
QMessageBox::StandardButton qtDefaultButton(int32_t buttonSet);
int32_t answerCode(QMessageBox::StandardButton pressed, int32_t buttonSet);
QMessageBox::Icon qtIcon(ui::MessageKind kind);

class QtMessageBoxes final : public ui::MessageBoxes {
  public:
    // Runs before a box opens, so the window behind it shows the program's current state.
    void setRefresh(std::function<void()> refresh) { refresh_ = std::move(refresh); }

    void showMessage(const std::string& text, ui::MessageKind kind) override;
    int32_t ask(const std::string& text, const std::string& caption, int32_t buttons) override;

  private:
    std::function<void()> refresh_;
};

}  // namespace gui
