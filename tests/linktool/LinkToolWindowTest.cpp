// The link tool's window, offscreen: "/L" opens the link page on the link in force, and Save
// writes the chosen port and rate.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <fstream>

#include "../gui/QtApp.h"
#include "linktool/LinkChoice.h"
#include "linktool/LinkToolWindow.h"
#include "support/TempFolder.h"

namespace {

TEST(LinkToolWindow, OpensOnTheLinkInForceAndSavesTheChoice) {
    guitest::qtApp();
    testsupport::TempFolder temp;
    const std::string file = temp.path() + "/Kvxmatic.Ini";
    std::ofstream(file) << "[Link]\nPort=/dev/ttyS4\nBaud=19200\n";
    for (bool linkPage : {false, true}) {
        linktool::LinkToolWindow window(file, temp.path(), linkPage);
        EXPECT_EQ(window.findChild<QTabWidget*>()->currentIndex(), linkPage ? 1 : 0);
    }
    linktool::LinkToolWindow window(file, temp.path(), true);
    auto* port = window.findChild<QComboBox*>("Port");
    auto* baud = window.findChild<QComboBox*>("Baud");
    ASSERT_TRUE(port && baud);
    EXPECT_EQ(port->currentText(), "/dev/ttyS4");
    EXPECT_EQ(baud->currentText(), "19200");
    EXPECT_EQ(window.findChild<QLabel*>("Current")->text(), "/dev/ttyS4 at 19200 baud");
    port->setCurrentText("/dev/ttyUSB0");
    baud->setCurrentIndex(baud->findText("57600"));
    window.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Save)->click();
    const linktool::LinkChoice saved = linktool::readLinkChoice(file);
    EXPECT_EQ(saved.port, "/dev/ttyUSB0");
    EXPECT_EQ(saved.baud, 57600u);
    EXPECT_EQ(window.findChild<QLabel*>("Current")->text(), "/dev/ttyUSB0 at 57600 baud");
}

}  // namespace
