#include "WindowRobot.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QEventLoop>

namespace guitest {

QDialog* shownDialog(const char* name) {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->isVisible() && widget->objectName() == name) {
            if (auto* dialog = qobject_cast<QDialog*>(widget)) return dialog;
        }
    }
    return nullptr;
}

QMessageBox* shownMessageBox() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (!widget->isVisible()) continue;
        if (auto* box = qobject_cast<QMessageBox*>(widget)) return box;
    }
    return nullptr;
}

WindowRobot::WindowRobot(std::string shotFolder) : shotFolder_(std::move(shotFolder)) {
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, [this] { tick(); });
}

void WindowRobot::then(std::string what, Ready ready, Act act) {
    steps_.push_back({std::move(what), std::move(ready), std::move(act)});
}

void WindowRobot::answerBox(const std::string& text, QMessageBox::StandardButton button) {
    then(
        "message box \"" + text + "\"",
        [text] {
            QMessageBox* box = shownMessageBox();
            return box != nullptr && box->text().toStdString().find(text) != std::string::npos;
        },
        [this, button] {
            QMessageBox* box = shownMessageBox();
            boxes_.push_back(box->text().toStdString());
            boxIcons_.push_back(box->icon());
            QAbstractButton* pressed = box->button(button);
            if (pressed == nullptr) {
                ADD_FAILURE() << "the box \"" << boxes_.back() << "\" has no such button";
                box->reject();
                return;
            }
            pressed->click();
        });
}

void WindowRobot::tick() {
    if (!stuckAt_.empty()) {
        unwind();
        return;
    }
    if (steps_.empty()) return;
    if (std::chrono::steady_clock::now() - waitingSince_ > limit_) {
        stuckAt_ = steps_.front().what;
        screenshot("stuck");
        QMessageBox* box = shownMessageBox();
        ADD_FAILURE() << "waited too long for " << stuckAt_
                      << (box != nullptr ? "; a box says: " + box->text().toStdString() : "");
        steps_.clear();
        return;
    }
    Step& step = steps_.front();
    if (!step.ready()) return;
    Act act = std::move(step.act);
    steps_.pop_front();
    waitingSince_ = std::chrono::steady_clock::now();
    // Acting may open a modal dialog whose event loop must go on ticking: act from a timer of
    // its own, never from inside this one.
    ++acting_;
    QTimer::singleShot(0, [this, act = std::move(act)] {
        act();
        --acting_;
    });
}

void WindowRobot::unwind() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (!widget->isVisible()) continue;
        if (auto* box = qobject_cast<QMessageBox*>(widget)) {
            box->done(QMessageBox::Cancel);
        } else if (auto* dialog = qobject_cast<QDialog*>(widget)) {
            dialog->QDialog::reject();  // past a form that refuses to close
        }
    }
}

bool WindowRobot::run(std::chrono::milliseconds limit) {
    limit_ = limit;
    stuckAt_.clear();
    waitingSince_ = std::chrono::steady_clock::now();
    timer_.start();
    while (!steps_.empty() || acting_ > 0) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    timer_.stop();
    return stuckAt_.empty();
}

void WindowRobot::screenshot(const std::string& name) const {
    if (shotFolder_.empty()) return;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (!widget->isVisible()) continue;
        const QString window =
            widget->objectName().isEmpty() ? widget->metaObject()->className() : widget->objectName();
        widget->grab().save(QString::fromStdString(shotFolder_ + "/" + name + "-") + window + ".png");
    }
}

}  // namespace guitest
