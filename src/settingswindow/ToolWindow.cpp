#include "settingswindow/ToolWindow.h"

#include <QApplication>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWidget>

#include "settingstool/SettingsJob.h"

namespace settingstool {
namespace {

QString q(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

std::unique_ptr<QWidget> makeToolWindow(SettingsJob& job, const ToolArguments& a) {
    auto window = std::make_unique<QWidget>();
    window->setWindowTitle("Save/Load settings");
    auto* layout = new QVBoxLayout(window.get());
    layout->addWidget(new QLabel(q("Controller " + std::to_string(a.pla) + ":" +
                                   std::to_string(a.ela) + ", module " + a.cname +
                                   ", settings package \"" + a.dpac + "\"")));
    auto* buttons = new QHBoxLayout;
    auto* save = new QPushButton("&Save settings...");
    auto* load = new QPushButton("&Load settings...");
    buttons->addWidget(save);
    buttons->addWidget(load);
    layout->addLayout(buttons);
    auto* bar = new QProgressBar;
    layout->addWidget(bar);
    auto* outcome = new QLabel;
    outcome->setWordWrap(true);
    layout->addWidget(outcome);

    QWidget* w = window.get();
    const auto run = [w, bar, outcome, save, load, &job](bool saving) {
        const QString file =
            saving ? QFileDialog::getSaveFileName(w, "Save settings", QString(),
                                                  "Settings (*.kvxset);;All files (*)")
                   : QFileDialog::getOpenFileName(w, "Load settings", QString(),
                                                  "Settings (*.kvxset);;All files (*)");
        if (file.isEmpty()) return;
        save->setEnabled(false);
        load->setEnabled(false);
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const Progress progress = [bar, outcome](size_t position, size_t count,
                                                 const std::string& name) {
            bar->setMaximum(static_cast<int>(count));
            bar->setValue(static_cast<int>(position) - 1);
            outcome->setText(q(name));
            QApplication::processEvents();
        };
        std::string why;
        const std::string path = file.toStdString();
        const bool ok = saving ? job.save(path, progress, why) : job.load(path, progress, why);
        QApplication::restoreOverrideCursor();
        save->setEnabled(true);
        load->setEnabled(true);
        if (ok) {
            bar->setValue(bar->maximum());
            outcome->setText(q((saving ? "Saved to " : "Loaded from ") + path));
        } else {
            outcome->setText(q(why));
            QMessageBox::warning(w, "Save/Load settings", q(why));
        }
    };
    QObject::connect(save, &QPushButton::clicked, w, [run] { run(true); });
    QObject::connect(load, &QPushButton::clicked, w, [run] { run(false); });
    return window;
}

std::optional<secure::Secret> askPasswordInWindow(const std::string& linkName) {
    bool ok = false;
    QString text = QInputDialog::getText(
        nullptr, "Network password",
        q("The controller at " + linkName + " requires its network password:"),
        QLineEdit::Password, QString(), &ok);
    std::optional<secure::Secret> password;
    if (ok) {
        QByteArray utf8 = text.toUtf8();
        password.emplace(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
        utf8.fill('\0');
    }
    text.fill(QChar(0));
    return password;
}

}  // namespace settingstool
