#pragma once
// The binder's bindings for choices and focus: option buttons and check boxes, tab controls,
// the focus a form asks for, the form's own visibility, and the watchers that turn focus and
// key events into handler calls.
#include <QObject>
#include <functional>
#include <string>

#include "gui/Binder.h"
#include "platform/ui/TabControl.h"

class QAbstractButton;
class QTabWidget;

namespace gui {

// Shows a control's caption, enabled, visible and tool tip on its widget.
void copyControl(QWidget& widget, const ui::Control& model);

// A radio button or check box showing a model's `value`.
class CheckableBinding final : public Binding {
  public:
    CheckableBinding(QAbstractButton& button, ui::Control& model, bool& value)
        : button_(button), model_(model), value_(value) {}
    void copy() override;

  private:
    QAbstractButton& button_;
    ui::Control& model_;
    bool& value_;
};

class TabBinding final : public Binding {
  public:
    TabBinding(QTabWidget& tabs, ui::TabControl& model) : tabs_(tabs), model_(model) {}
    void copy() override;

  private:
    QTabWidget& tabs_;
    ui::TabControl& model_;
};

// Moves the focus to the control the form names, then forgets the request.
class FocusBinding final : public Binding {
  public:
    FocusBinding(QWidget& root, std::string& controlName) : root_(root), name_(controlName) {}
    void copy() override;

  private:
    QWidget& root_;
    std::string& name_;
};

// Closes the window once the form has hidden itself; disables it while the form is disabled.
class ShownBinding final : public Binding {
  public:
    ShownBinding(QWidget& window, bool& visible, const bool* enabled)
        : window_(window), visible_(visible), enabled_(enabled) {}
    void copy() override;

  private:
    QWidget& window_;
    bool& visible_;
    const bool* enabled_;
};

// Calls `lost` when the user moves the focus away inside the window. Focus that leaves for
// another window (a message box the form opened) is not a move of the user's.
class FocusOutWatcher final : public QObject {
  public:
    FocusOutWatcher(QObject* parent, std::function<void()> lost)
        : QObject(parent), lost_(std::move(lost)) {}
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    std::function<void()> lost_;
};

// Calls `press` with the character code of each key that has one; Enter is taken.
class KeyWatcher final : public QObject {
  public:
    KeyWatcher(QObject* parent, std::function<void(int)> press)
        : QObject(parent), press_(std::move(press)) {}
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    std::function<void(int)> press_;
};

}  // namespace gui
