#include "gui/InputBindings.h"

#include <QAbstractButton>
#include <QDialog>
#include <QFocusEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QSignalBlocker>
#include <QTabWidget>
#include <algorithm>

namespace gui {
namespace {

QString qs(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

void copyControl(QWidget& widget, const ui::Control& model) {
    const QSignalBlocker blocker(widget);
    widget.setEnabled(model.enabled);
    widget.setHidden(!model.visible);
    widget.setToolTip(qs(model.toolTip));
    if (auto* button = qobject_cast<QAbstractButton*>(&widget)) {
        button->setText(qs(model.caption));
    } else if (auto* label = qobject_cast<QLabel*>(&widget)) {
        // A picture has no caption; setting an empty text would wipe it.
        if (!model.caption.empty() || label->pixmap().isNull()) label->setText(qs(model.caption));
    } else if (auto* frame = qobject_cast<QGroupBox*>(&widget)) {
        frame->setTitle(qs(model.caption));
    }
}

void CheckableBinding::copy() {
    copyControl(button_, model_);
    if (button_.isChecked() == value_) return;
    const QSignalBlocker blocker(button_);
    // The checked button of an exclusive group cannot be unchecked on its own.
    const bool exclusive = button_.autoExclusive();
    button_.setAutoExclusive(false);
    button_.setChecked(value_);
    button_.setAutoExclusive(exclusive);
}

void TabBinding::copy() {
    copyControl(tabs_, model_);
    const QSignalBlocker blocker(tabs_);
    const int count = std::min(tabs_.count(), static_cast<int>(model_.tabs.size()));
    for (int i = 0; i < count; ++i) tabs_.setTabText(i, qs(model_.tabs[static_cast<size_t>(i)]));
    if (model_.current >= 0 && model_.current < tabs_.count() &&
        tabs_.currentIndex() != model_.current) {
        tabs_.setCurrentIndex(model_.current);
    }
}

void FocusBinding::copy() {
    if (name_.empty()) return;
    auto* widget = root_.findChild<QWidget*>(qs(name_));
    name_.clear();
    if (widget == nullptr) return;
    // A field on another page of a tab control shows its page first.
    for (QWidget* w = widget; w != nullptr && w != &root_; w = w->parentWidget()) {
        if (auto* tabs = qobject_cast<QTabWidget*>(w->parentWidget() != nullptr
                                                       ? w->parentWidget()->parentWidget()
                                                       : nullptr)) {
            const int page = tabs->indexOf(w);
            if (page >= 0) tabs->setCurrentIndex(page);
        }
    }
    widget->setFocus(Qt::OtherFocusReason);
}

void ShownBinding::copy() {
    if (enabled_ != nullptr) window_.setEnabled(*enabled_);
    if (visible_ || !window_.isVisible()) return;
    if (auto* dialog = qobject_cast<QDialog*>(&window_)) {
        dialog->done(QDialog::Accepted);  // ends a modal exec(); the host drops the dialog
    } else {
        window_.hide();
    }
}

bool FocusOutWatcher::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) lost_();
    }
    return QObject::eventFilter(watched, event);
}

bool KeyWatcher::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            press_(13);
            return true;
        }
        const QString text = key->text();
        if (!text.isEmpty() && text.at(0).unicode() < 128) press_(text.at(0).unicode());
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace gui
