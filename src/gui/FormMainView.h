#pragma once
// The main window: FormMain.ui bound to the program's FormMain model.
#include <QMainWindow>
#include <memory>

#include "gui/Binder.h"

namespace Ui {
class FormMain;
}

namespace gui {

class FormMainView final : public QMainWindow {
  public:
    explicit FormMainView(app::Program& program);
    ~FormMainView() override;

    Binder& binder() { return binder_; }
    // The form's Load event; call before showing the window.
    void load();

  private:
    void bind();
    void setIcons();

    app::Program& program_;
    std::unique_ptr<Ui::FormMain> ui_;
    Binder binder_;
};

}  // namespace gui
