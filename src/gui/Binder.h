#pragma once
// The one binder between presentation-model forms and their Qt widgets. Widgets are found by
// object name (the control names of the form). After every handler and at every event pump
// the models are copied into the widgets with the widgets' signals blocked; widget signals
// become handler calls, each through the program's dispatcher.
#include <QMetaObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "gui/ListViewCopy.h"
#include "platform/ui/Controls.h"
#include "platform/ui/TabControl.h"

class QWidget;

namespace app {
struct Program;
}

namespace gui {

// One bound model and its widget.
class Binding {
  public:
    virtual ~Binding() = default;
    // Copies the model into the widget.
    virtual void copy() = 0;
};

class Binder {
  public:
    using Handler = std::function<void()>;
    using RowHandler = std::function<void(int)>;  // 1-based row
    using RowsHandler = std::function<void(const std::vector<int>&)>;  // 1-based rows
    using TextHandler = std::function<void(const std::string&)>;
    using KeyHandler = std::function<void(int)>;  // the key's character code (13 for Enter)

    Binder(QWidget& root, app::Program& program);
    ~Binder();
    Binder(const Binder&) = delete;
    Binder& operator=(const Binder&) = delete;

    // The form's caption and height; the root's window shows them.
    void window(std::string& caption, int& heightTwips);
    // A dialog's caption; the root's window shows it.
    void title(std::string& caption);
    // A button, label, tool button or frame: caption, enabled, visible, tool tip; `click`
    // runs when a button is clicked.
    void control(const QString& name, ui::Control& model, Handler click = {});
    // A control array: element i is the widget named `name` + "_" + i.
    void controlArray(const QString& name, std::map<int, ui::Control>& models);
    // A line edit; what the user types goes straight into the model, or to `change` when
    // given. `lostFocus` runs when the user moves the focus elsewhere in the window.
    void textBox(const QString& name, ui::TextBox& model, TextHandler change = {},
                 Handler lostFocus = {});
    // A radio button; `click` runs after the user selected it.
    void optionButton(const QString& name, ui::OptionButton& model, Handler click = {});
    // A check box; `click` runs after the user changed it.
    void checkBox(const QString& name, ui::CheckBox& model, Handler click = {});
    // A QTabWidget whose pages are the model's tabs, in order.
    void tabControl(const QString& name, ui::TabControl& model);
    // Key presses on a widget; Enter goes to the handler only, not to a default button.
    void keyPress(const QString& name, KeyHandler press);
    // The form asks for the focus by control name ("" for nothing; emptied once moved).
    void focus(std::string& controlName);
    // The form's own visible and enabled state; hiding it closes the window.
    void shown(bool& visible, const bool* enabled = nullptr);
    // A QTreeWidget shown as a report-style list; `itemClick` runs when a row is clicked or
    // chosen with the keyboard.
    void list(const QString& name, ui::ListView& model, RowHandler itemClick = {},
              ImageList images = {});
    // A list bound before whose columns are each as wide as its designed width, header and
    // widest text (scrolling sideways when they do not fit), rather than shrunk to the list.
    void fitToContent(const QString& listName);
    // Lets the user select several rows (Ctrl, Shift) of a list bound before: `rows` (1-based,
    // in order) shows them, and `change` runs with the rows the user selected, before the
    // list's click handler.
    void selection(const QString& listName, std::vector<int>& rows, RowsHandler change);
    // Runs `copy` after the bindings before it at every refresh: what the others cannot show.
    void after(Handler copy);
    void progressBar(const QString& name, ui::ProgressBar& model);
    // A bar per row in `column` (0-based) of a list bound before; bar i shows models[i].
    void progressColumn(const QString& listName, int column,
                        std::vector<ui::ProgressBar>& models);
    // A QAction, or a QMenu (its title), by name.
    void menu(const QString& name, ui::MenuEntry& model, Handler click = {});
    // A timer ticking while the model is enabled.
    void timer(ui::Timer& model, Handler tick);

    // Copies every model into its widget.
    void refresh();
    // Runs a handler through the dispatcher, then shows what it changed.
    void run(const Handler& handler);
    // Whether a widget of that name is bound.
    bool bound(const QString& name) const { return found_.count(name) > 0; }

  private:
    template <class Widget>
    Widget& find(const QString& name);
    void keep(const QMetaObject::Connection& connection) { connections_.push_back(connection); }
    // Installs an event filter that calls into this binder; it goes when the binder goes.
    void watch(QWidget& widget, QObject* watcher);

    QWidget& root_;
    app::Program& program_;
    std::vector<std::unique_ptr<Binding>> bindings_;
    std::vector<QMetaObject::Connection> connections_;
    std::vector<QPointer<QObject>> watchers_;
    std::set<QString> found_;
    bool refreshing_ = false;
};

}  // namespace gui
