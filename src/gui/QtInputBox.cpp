#include "gui/QtInputBox.h"

#include <QApplication>
#include <QByteArray>
#include <QInputDialog>
#include <QLineEdit>

namespace gui {

namespace {

void setUp(QInputDialog& box, const std::string& prompt, const std::string& title, bool masked) {
    box.setObjectName("InputBox");
    box.setInputMode(QInputDialog::TextInput);
    box.setWindowTitle(QString::fromStdString(title.empty() ? "Krelvan" : title));
    box.setLabelText(QString::fromStdString(prompt));
    box.setTextEchoMode(masked ? QLineEdit::Password : QLineEdit::Normal);
}

}  // namespace

std::optional<std::string> QtInputBox::ask(const std::string& prompt, const std::string& title,
                                           const std::string& defaultText, bool masked) {
    if (refresh_) refresh_();
    QInputDialog box(QApplication::activeWindow());
    setUp(box, prompt, title, masked);
    box.setTextValue(QString::fromStdString(defaultText));
    if (box.exec() != QDialog::Accepted) return std::nullopt;
    return box.textValue().toStdString();
}

std::optional<secure::Secret> QtInputBox::askPassword(const std::string& prompt,
                                                      const std::string& title) {
    if (refresh_) refresh_();
    QInputDialog box(QApplication::activeWindow());
    setUp(box, prompt, title, true);
    if (box.exec() != QDialog::Accepted) return std::nullopt;
    QByteArray typed = box.textValue().toUtf8();
    box.setTextValue(QString());
    secure::Secret secret(
        std::string_view(typed.constData(), static_cast<std::size_t>(typed.size())));
    secure::wipe(typed.data(), static_cast<std::size_t>(typed.size()));
    return secret;
}

}  // namespace gui
