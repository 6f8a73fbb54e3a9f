#include "gui/QtInputBox.h"

#include <QApplication>
#include <QInputDialog>
#include <QLineEdit>

namespace gui {

std::optional<std::string> QtInputBox::ask(const std::string& prompt, const std::string& title,
                                           const std::string& defaultText, bool masked) {
    if (refresh_) refresh_();
    QInputDialog box(QApplication::activeWindow());
    box.setObjectName("InputBox");
    box.setInputMode(QInputDialog::TextInput);
    box.setWindowTitle(QString::fromStdString(title.empty() ? "Krelvan" : title));
    box.setLabelText(QString::fromStdString(prompt));
    box.setTextEchoMode(masked ? QLineEdit::Password : QLineEdit::Normal);
    box.setTextValue(QString::fromStdString(defaultText));
    if (box.exec() != QDialog::Accepted) return std::nullopt;
    return box.textValue().toStdString();
}

}  // namespace gui
