#pragma once
// The screen services with Qt: the hourglass is an override cursor, and processing events
// first brings the windows up to date with their models.
#include <functional>

#include "platform/ui/Screen.h"

namespace gui {

class QtScreen final : public ui::Screen {
  public:
    ~QtScreen() override;

    // Runs at each event pump before Qt processes the waiting events.
    void setRefresh(std::function<void()> refresh) { refresh_ = std::move(refresh); }

    ui::Pointer pointer() const override { return pointer_; }
    void setPointer(ui::Pointer pointer) override;
    void processEvents() override;

  private:
    std::function<void()> refresh_;
    ui::Pointer pointer_ = ui::Pointer::Default;
};

}  // namespace gui
