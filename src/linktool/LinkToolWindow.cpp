#include "linktool/LinkToolWindow.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "linktool/LinkChoice.h"
#include "linktool/SerialDevices.h"

namespace linktool {
namespace {

QString qs(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

LinkToolWindow::LinkToolWindow(std::string settingsFile, std::string machineDir, bool linkPage)
    : settingsFile_(std::move(settingsFile)),
      tabs_(new QTabWidget),
      port_(new QComboBox),
      baud_(new QComboBox),
      current_(new QLabel) {
    setWindowTitle("Link Tool");
    auto* general = new QLabel(
        "The serial link of this machine is kept in\n" + qs(settingsFile_) +
        "\n\nKrelvan uses the port and rate chosen on the Link page the next time it talks to a "
        "controller over the serial link.");
    general->setWordWrap(true);
    general->setObjectName("General");
    tabs_->addTab(general, "General");

    auto* page = new QWidget;
    page->setObjectName("Link");
    auto* form = new QFormLayout(page);
    port_->setObjectName("Port");
    port_->setEditable(true);
    for (const std::string& device : listSerialDevices(machineDir)) port_->addItem(qs(device));
    baud_->setObjectName("Baud");
    for (uint32_t rate : baudRates()) baud_->addItem(QString::number(rate), rate);
    current_->setObjectName("Current");
    form->addRow("Serial port:", port_);
    form->addRow("Baud rate:", baud_);
    form->addRow("In force:", current_);
    tabs_->addTab(page, "Link");
    tabs_->setCurrentIndex(linkPage ? 1 : 0);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Save | QDialogButtonBox::Close);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { save(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_);
    layout->addWidget(buttons);
    showCurrent();
    const LinkChoice choice = readLinkChoice(settingsFile_);
    port_->setCurrentText(qs(choice.port));
    baud_->setCurrentIndex(std::max(0, baud_->findData(choice.baud)));
}

void LinkToolWindow::showCurrent() {
    const LinkChoice choice = readLinkChoice(settingsFile_);
    current_->setText((choice.port.empty() ? QString("no port") : qs(choice.port)) + " at " +
                      QString::number(choice.baud) + " baud");
}

void LinkToolWindow::save() {
    std::string why;
    const LinkChoice choice{port_->currentText().trimmed().toStdString(),
                            baud_->currentData().toUInt()};
    if (!writeLinkChoice(settingsFile_, choice, why)) {
        QMessageBox::critical(this, "Link Tool", "Nothing was saved: " + qs(why));
        return;
    }
    showCurrent();
}

}  // namespace linktool
