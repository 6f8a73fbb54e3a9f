#pragma once
// The program's dialogs as Qt dialogs: each form name has a view that loads its .ui file and
// binds the form's model. Escape and closing the window go to the form's cancel handler.
#include <QDialog>
#include <QPointer>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "gui/Binder.h"
#include "platform/ui/FormHost.h"

namespace gui {

// A dialog whose Escape key and close box run the form's handler instead of closing.
class FormDialog final : public QDialog {
  public:
    FormDialog(QWidget* owner, app::Program& program) : QDialog(owner), binder_(*this, program) {}
    Binder& binder() { return binder_; }
    void onReject(Binder::Handler handler) { onReject_ = std::move(handler); }
    // Runs once, as soon as the dialog is on the screen (the form's Activate).
    void onShown(Binder::Handler handler) { onShown_ = std::move(handler); }
    // The close box runs this instead of the reject handler; the form hides itself if it will.
    void onClose(Binder::Handler handler) { onClose_ = std::move(handler); }
    void reject() override;

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    Binder binder_;
    Binder::Handler onReject_;
    Binder::Handler onShown_;
    Binder::Handler onClose_;
};

class QtFormHost final : public ui::FormHost {
  public:
    // Builds the view of a form inside the dialog: loads its .ui and binds its model.
    using ViewMaker = std::function<void(FormDialog&, ui::Form&)>;

    QtFormHost(QWidget& owner, app::Program& program);
    ~QtFormHost() override;

    void showModal(ui::Form& form) override;
    void showModeless(ui::Form& form) override;
    void hide(ui::Form& form) override;

    // Copies every shown form's model into its widgets.
    void refresh();
    // The dialog showing `form`, or null.
    FormDialog* dialogOf(const ui::Form& form) const;

  private:
    FormDialog& open(ui::Form& form);

    QWidget& owner_;
    app::Program& program_;
    std::map<std::string, ViewMaker> makers_;
    std::map<const ui::Form*, std::unique_ptr<FormDialog>> shown_;
};

}  // namespace gui
