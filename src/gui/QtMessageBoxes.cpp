#include "gui/QtMessageBoxes.h"

#include <QApplication>

namespace gui {
namespace {

constexpr int32_t kButtonSetMask = 0xF;
const char* const kProgramCaption = "Krelvan";

int32_t buttonSetOf(int32_t buttonSet) { return buttonSet & kButtonSetMask; }
bool secondDefault(int32_t buttonSet) { return (buttonSet & ui::buttons::SecondDefault) != 0; }

QString captionOr(const std::string& caption) {
    return caption.empty() ? QString(kProgramCaption) : QString::fromStdString(caption);
}

}  // namespace

QMessageBox::StandardButtons qtButtons(int32_t buttonSet) {
    switch (buttonSetOf(buttonSet)) {
        case ui::buttons::OkCancel:
            return QMessageBox::Ok | QMessageBox::Cancel;
        case ui::buttons::YesNo:
            return QMessageBox::Yes | QMessageBox::No;
        default:
            return QMessageBox::Ok;
    }
}

QMessageBox::StandardButton qtDefaultButton(int32_t buttonSet) {
    switch (buttonSetOf(buttonSet)) {
        case ui::buttons::OkCancel:
            return secondDefault(buttonSet) ? QMessageBox::Cancel : QMessageBox::Ok;
        case ui::buttons::YesNo:
            return secondDefault(buttonSet) ? QMessageBox::No : QMessageBox::Yes;
        default:
            return QMessageBox::Ok;
    }
}

int32_t answerCode(QMessageBox::StandardButton pressed, int32_t buttonSet) {
    switch (pressed) {
        case QMessageBox::Ok:
            return ui::answer::Ok;
        case QMessageBox::Cancel:
            return ui::answer::Cancel;
        case QMessageBox::Yes:
            return ui::answer::Yes;
        case QMessageBox::No:
            return ui::answer::No;
        default:
            break;
    }
    // A box closed without a button counts as its way out: Cancel, No, or OK when alone.
    switch (buttonSetOf(buttonSet)) {
        case ui::buttons::OkCancel:
            return ui::answer::Cancel;
        case ui::buttons::YesNo:
            return ui::answer::No;
        default:
            return ui::answer::Ok;
    }
}

QMessageBox::Icon qtIcon(ui::MessageKind kind) {
    switch (kind) {
        case ui::MessageKind::Error:
            return QMessageBox::Critical;
        case ui::MessageKind::Information:
            return QMessageBox::Information;
    }
    return QMessageBox::Warning;
}

void QtMessageBoxes::showMessage(const std::string& text, ui::MessageKind kind) {
    if (refresh_) refresh_();
    QMessageBox box(qtIcon(kind), kProgramCaption, QString::fromStdString(text), QMessageBox::Ok,
                    QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

int32_t QtMessageBoxes::ask(const std::string& text, const std::string& caption, int32_t buttons) {
    if (refresh_) refresh_();
    QMessageBox box(QMessageBox::Question, captionOr(caption), QString::fromStdString(text),
                    qtButtons(buttons), QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(qtDefaultButton(buttons));
    const auto pressed = static_cast<QMessageBox::StandardButton>(box.exec());
    return answerCode(pressed, buttons);
}

}  // namespace gui
