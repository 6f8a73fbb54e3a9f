#include "gui/Binder.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>
#include <cmath>
#include <stdexcept>

#include "app/Dispatch.h"
#include "app/Program.h"
#include "gui/InputBindings.h"
#include "gui/Twips.h"

namespace gui {
namespace {

constexpr int kProgressSteps = 1000;

QString qs(const std::string& text) { return QString::fromStdString(text); }

class WindowBinding final : public Binding {
  public:
    WindowBinding(QWidget& window, std::string& caption, int& heightTwips)
        : window_(window), caption_(caption), heightTwips_(heightTwips) {}

    void copy() override {
        window_.setWindowTitle(qs(caption_));
        // Only a change of the model resizes: the user may have resized the window since.
        if (heightTwips_ != shownHeight_) {
            window_.resize(window_.width(), twipsToPixels(heightTwips_));
            shownHeight_ = heightTwips_;
        }
    }

  private:
    QWidget& window_;
    std::string& caption_;
    int& heightTwips_;
    int shownHeight_ = -1;
};

class TitleBinding final : public Binding {
  public:
    TitleBinding(QWidget& window, std::string& caption) : window_(window), caption_(caption) {}
    void copy() override { window_.setWindowTitle(qs(caption_)); }

  private:
    QWidget& window_;
    std::string& caption_;
};

class ControlBinding final : public Binding {
  public:
    ControlBinding(QWidget& widget, ui::Control& model) : widget_(widget), model_(model) {}
    void copy() override { copyControl(widget_, model_); }

  private:
    QWidget& widget_;
    ui::Control& model_;
};

class TextBoxBinding final : public Binding {
  public:
    TextBoxBinding(QLineEdit& edit, ui::TextBox& model) : edit_(edit), model_(model) {}
    void copy() override {
        copyControl(edit_, model_);
        const QString text = qs(model_.text);
        // Setting an equal text would move the user's cursor.
        if (edit_.text() != text) {
            const QSignalBlocker blocker(edit_);
            edit_.setText(text);
        }
    }

  private:
    QLineEdit& edit_;
    ui::TextBox& model_;
};

class ListBinding final : public Binding {
  public:
    ListBinding(QTreeWidget& tree, ui::ListView& model, ImageList images)
        : tree_(tree), model_(model), images_(std::move(images)) {}

    void copy() override {
        copyControl(tree_, model_);
        const QSignalBlocker blocker(tree_);
        if (!copied_ || !sameColumns(model_.columns, shownColumns_)) {
            copyColumns(tree_, model_.columns);
            shownColumns_ = model_.columns;
        }
        bool rebuilt = false;
        if (!copied_ || !sameItems(model_.items, shownItems_)) {
            copyItems(tree_, model_.items, images_);
            if (fitsContent(tree_)) fitColumnsToContent(tree_);
            shownItems_ = model_.items;
            rebuilt = true;
        }
        // The selection is pushed only when the model changed it, so that a row the user
        // picked in a list without a handler stays picked.
        if (rebuilt || model_.selected != shownSelected_) {
            copySelectedRow(tree_, model_.selected);
            shownSelected_ = model_.selected;
        }
        copied_ = true;
    }

  private:
    QTreeWidget& tree_;
    ui::ListView& model_;
    ImageList images_;
    bool copied_ = false;
    std::vector<ui::ListColumn> shownColumns_;
    std::vector<ui::ListItem> shownItems_;
    int shownSelected_ = 0;
};

// The bar's position for the model's value, clamped to its range.
int progressSteps(const ui::ProgressBar& model) {
    const double span = model.max - model.min;
    double share = span > 0 ? (model.value - model.min) / span : 0.0;
    if (!(share >= 0.0)) share = 0.0;  // also NaN
    if (share > 1.0) share = 1.0;
    return static_cast<int>(std::lround(share * kProgressSteps));
}

class ProgressBinding final : public Binding {
  public:
    ProgressBinding(QProgressBar& bar, ui::ProgressBar& model) : bar_(bar), model_(model) {
        bar_.setRange(0, kProgressSteps);
    }
    void copy() override {
        copyControl(bar_, model_);
        const QSignalBlocker blocker(bar_);
        bar_.setValue(progressSteps(model_));
    }

  private:
    QProgressBar& bar_;
    ui::ProgressBar& model_;
};

// A bar in one column of each row of a list; bound after the list, so that rows the list
// rebuilt (and their bars with them) get new bars.
class ProgressColumnBinding final : public Binding {
  public:
    ProgressColumnBinding(QTreeWidget& tree, int column, std::vector<ui::ProgressBar>& models)
        : tree_(tree), column_(column), models_(models) {}
    void copy() override {
        const int rows = tree_.topLevelItemCount();
        for (int i = 0; i < rows && static_cast<size_t>(i) < models_.size(); ++i) {
            QTreeWidgetItem* item = tree_.topLevelItem(i);
            auto* bar = qobject_cast<QProgressBar*>(tree_.itemWidget(item, column_));
            if (bar == nullptr) {
                bar = new QProgressBar;
                bar->setRange(0, kProgressSteps);
                bar->setTextVisible(false);
                tree_.setItemWidget(item, column_, bar);
            }
            const ui::ProgressBar& model = models_[static_cast<size_t>(i)];
            bar->setEnabled(model.enabled);
            bar->setVisible(model.visible);
            bar->setValue(progressSteps(model));
        }
    }

  private:
    QTreeWidget& tree_;
    int column_;
    std::vector<ui::ProgressBar>& models_;
};

// The rows selected in a list that takes several.
class SelectionBinding final : public Binding {
  public:
    SelectionBinding(QTreeWidget& tree, std::vector<int>& rows) : tree_(tree), rows_(rows) {}
    void copy() override {
        // The list's own binding may have rebuilt the rows or moved the current one.
        if (selectedRows(tree_) == rows_) return;
        const QSignalBlocker blocker(tree_);
        QTreeWidgetItem* current = tree_.currentItem();
        copySelectedRows(tree_, rows_, current ? tree_.indexOfTopLevelItem(current) + 1 : 0);
    }

  private:
    QTreeWidget& tree_;
    std::vector<int>& rows_;
};

class AfterBinding final : public Binding {
  public:
    explicit AfterBinding(Binder::Handler copy) : copy_(std::move(copy)) {}
    void copy() override { copy_(); }

  private:
    Binder::Handler copy_;
};

class MenuBinding final : public Binding {
  public:
    MenuBinding(QAction& action, ui::MenuEntry& model) : action_(action), model_(model) {}
    void copy() override {
        const QSignalBlocker blocker(action_);
        action_.setText(qs(model_.caption));
        action_.setEnabled(model_.enabled);
        action_.setVisible(model_.visible);
        if (model_.shortcut != shownShortcut_) {
            action_.setShortcut(QKeySequence(qs(model_.shortcut)));
            shownShortcut_ = model_.shortcut;
        }
    }

  private:
    QAction& action_;
    ui::MenuEntry& model_;
    std::string shownShortcut_;
};

class TimerBinding final : public Binding {
  public:
    explicit TimerBinding(ui::Timer& model) : model_(model) {}
    QTimer& timer() { return timer_; }
    void copy() override {
        const bool run = model_.enabled && model_.intervalMs > 0;
        if (run && timer_.interval() != model_.intervalMs) timer_.setInterval(model_.intervalMs);
        if (run && !timer_.isActive()) timer_.start();
        if (!run && timer_.isActive()) timer_.stop();
    }

  private:
    ui::Timer& model_;
    QTimer timer_;
};

// Tells a mouse press on a list apart from keyboard moves: a row chosen with the keyboard is
// a click of its own, while a mouse press is answered by the click signal that follows.
class PressWatcher final : public QObject {
  public:
    using QObject::QObject;
    bool pressing() const { return pressing_; }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonPress ||
            event->type() == QEvent::MouseButtonDblClick) {
            pressing_ = true;
        } else if (event->type() == QEvent::MouseButtonRelease) {
            pressing_ = false;
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    bool pressing_ = false;
};

}  // namespace

Binder::Binder(QWidget& root, app::Program& program) : root_(root), program_(program) {}

Binder::~Binder() {
    for (const QMetaObject::Connection& connection : connections_) {
        QObject::disconnect(connection);
    }
    // A widget may outlive the binder by a moment (its dialog's children go last) and still
    // get focus and key events.
    for (const QPointer<QObject>& watcher : watchers_) delete watcher.data();
}

void Binder::watch(QWidget& widget, QObject* watcher) {
    widget.installEventFilter(watcher);
    watchers_.emplace_back(watcher);
}

template <class Widget>
Widget& Binder::find(const QString& name) {
    auto* widget = root_.findChild<Widget*>(name);
    if (widget == nullptr) {
        throw std::logic_error("the form has no " +
                               std::string(Widget::staticMetaObject.className()) + " named " +
                               name.toStdString());
    }
    found_.insert(name);
    return *widget;
}

void Binder::window(std::string& caption, int& heightTwips) {
    bindings_.push_back(std::make_unique<WindowBinding>(*root_.window(), caption, heightTwips));
}

void Binder::title(std::string& caption) {
    bindings_.push_back(std::make_unique<TitleBinding>(*root_.window(), caption));
}

void Binder::controlArray(const QString& name, std::map<int, ui::Control>& models) {
    for (auto& [index, model] : models) control(name + "_" + QString::number(index), model);
}

void Binder::control(const QString& name, ui::Control& model, Handler click) {
    auto& widget = find<QWidget>(name);
    bindings_.push_back(std::make_unique<ControlBinding>(widget, model));
    if (auto* label = qobject_cast<QLabel*>(&widget)) label->setTextFormat(Qt::PlainText);
    if (!click) return;
    auto* button = qobject_cast<QAbstractButton*>(&widget);
    if (button == nullptr) {
        throw std::logic_error(name.toStdString() + " takes clicks but is no button");
    }
    keep(QObject::connect(button, &QAbstractButton::clicked, button,
                          [this, click = std::move(click)] { run(click); }));
}

void Binder::textBox(const QString& name, ui::TextBox& model, TextHandler change,
                     Handler lostFocus) {
    auto& edit = find<QLineEdit>(name);
    bindings_.push_back(std::make_unique<TextBoxBinding>(edit, model));
    keep(QObject::connect(&edit, &QLineEdit::textEdited, &edit,
                          [this, &model, change = std::move(change)](const QString& text) {
                              if (!change) {
                                  model.text = text.toStdString();
                                  return;
                              }
                              run([&change, typed = text.toStdString()] { change(typed); });
                          }));
    if (lostFocus) {
        watch(edit, new FocusOutWatcher(
                        &edit, [this, lostFocus = std::move(lostFocus)] { run(lostFocus); }));
    }
}

void Binder::optionButton(const QString& name, ui::OptionButton& model, Handler click) {
    auto& button = find<QRadioButton>(name);
    bindings_.push_back(std::make_unique<CheckableBinding>(button, model, model.value));
    keep(QObject::connect(&button, &QAbstractButton::toggled, &button,
                          [&model](bool checked) { model.value = checked; }));
    if (!click) return;
    keep(QObject::connect(&button, &QAbstractButton::clicked, &button,
                          [this, click = std::move(click)](bool checked) {
                              if (checked) run(click);
                          }));
}

void Binder::checkBox(const QString& name, ui::CheckBox& model, Handler click) {
    auto& box = find<QCheckBox>(name);
    bindings_.push_back(std::make_unique<CheckableBinding>(box, model, model.value));
    keep(QObject::connect(&box, &QAbstractButton::toggled, &box,
                          [&model](bool checked) { model.value = checked; }));
    if (!click) return;
    keep(QObject::connect(&box, &QAbstractButton::clicked, &box,
                          [this, click = std::move(click)](bool) { run(click); }));
}

void Binder::tabControl(const QString& name, ui::TabControl& model) {
    auto& tabs = find<QTabWidget>(name);
    if (tabs.count() != static_cast<int>(model.tabs.size())) {
        throw std::logic_error(name.toStdString() + " has " + std::to_string(tabs.count()) +
                               " pages for " + std::to_string(model.tabs.size()) + " tabs");
    }
    bindings_.push_back(std::make_unique<TabBinding>(tabs, model));
    keep(QObject::connect(&tabs, &QTabWidget::currentChanged, &tabs,
                          [&model](int index) { model.current = index; }));
}

void Binder::keyPress(const QString& name, KeyHandler press) {
    auto& widget = find<QWidget>(name);
    watch(widget, new KeyWatcher(&widget, [this, press = std::move(press)](int key) {
              run([&press, key] { press(key); });
          }));
}

void Binder::focus(std::string& controlName) {
    bindings_.push_back(std::make_unique<FocusBinding>(root_, controlName));
}

void Binder::shown(bool& visible, const bool* enabled) {
    bindings_.push_back(std::make_unique<ShownBinding>(*root_.window(), visible, enabled));
}

void Binder::list(const QString& name, ui::ListView& model, RowHandler itemClick,
                  ImageList images) {
    auto& tree = find<QTreeWidget>(name);
    setUpReportList(tree);
    bindings_.push_back(std::make_unique<ListBinding>(tree, model, std::move(images)));
    if (!itemClick) return;
    auto* watcher = new PressWatcher(&tree);
    tree.viewport()->installEventFilter(watcher);
    auto rowOf = [&tree](QTreeWidgetItem* item) { return tree.indexOfTopLevelItem(item) + 1; };
    keep(QObject::connect(&tree, &QTreeWidget::itemClicked, &tree,
                          [this, itemClick, rowOf](QTreeWidgetItem* item, int) {
                              const int row = rowOf(item);
                              run([&itemClick, row] { itemClick(row); });
                          }));
    keep(QObject::connect(
        &tree, &QTreeWidget::currentItemChanged, &tree,
        [this, itemClick, rowOf, watcher, view = &tree](QTreeWidgetItem* current,
                                                        QTreeWidgetItem*) {
            if (current == nullptr || watcher->pressing()) return;
            // Run after the selection change has finished, so the handler may refill the list.
            const int row = rowOf(current);
            QMetaObject::invokeMethod(
                view, [this, itemClick, row] { run([&itemClick, row] { itemClick(row); }); },
                Qt::QueuedConnection);
        }));
}

void Binder::fitToContent(const QString& listName) {
    auto& tree = find<QTreeWidget>(listName);
    markFitToContent(tree);
    fitColumnsToContent(tree);
}

void Binder::selection(const QString& listName, std::vector<int>& rows, RowsHandler change) {
    auto& tree = find<QTreeWidget>(listName);
    tree.setSelectionMode(QAbstractItemView::ExtendedSelection);
    bindings_.push_back(std::make_unique<SelectionBinding>(tree, rows));
    keep(QObject::connect(&tree, &QTreeWidget::itemSelectionChanged, &tree,
                          [this, change = std::move(change), view = &tree] {
                              const std::vector<int> selected = selectedRows(*view);
                              run([&change, &selected] { change(selected); });
                          }));
}

void Binder::after(Handler copy) {
    bindings_.push_back(std::make_unique<AfterBinding>(std::move(copy)));
}

void Binder::progressBar(const QString& name, ui::ProgressBar& model) {
    bindings_.push_back(std::make_unique<ProgressBinding>(find<QProgressBar>(name), model));
}

void Binder::progressColumn(const QString& listName, int column,
                            std::vector<ui::ProgressBar>& models) {
    bindings_.push_back(
        std::make_unique<ProgressColumnBinding>(find<QTreeWidget>(listName), column, models));
}

void Binder::menu(const QString& name, ui::MenuEntry& model, Handler click) {
    QAction* action = root_.findChild<QAction*>(name);
    if (action == nullptr) action = find<QMenu>(name).menuAction();
    bindings_.push_back(std::make_unique<MenuBinding>(*action, model));
    if (!click) return;
    keep(QObject::connect(action, &QAction::triggered, action,
                          [this, click = std::move(click)] { run(click); }));
}

void Binder::timer(ui::Timer& model, Handler tick) {
    auto binding = std::make_unique<TimerBinding>(model);
    keep(QObject::connect(&binding->timer(), &QTimer::timeout, &binding->timer(),
                          [this, tick = std::move(tick)] { run(tick); }));
    bindings_.push_back(std::move(binding));
}

void Binder::refresh() {
    if (refreshing_) return;
    struct Guard {
        bool& flag;
        explicit Guard(bool& f) : flag(f) { flag = true; }
        ~Guard() { flag = false; }
    } guard(refreshing_);
    for (const auto& binding : bindings_) binding->copy();
}

void Binder::run(const Handler& handler) {
    app::Dispatch(program_, handler);
    refresh();
}

}  // namespace gui
