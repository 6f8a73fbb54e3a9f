// The "Communication Settings" dialog on real (offscreen) widgets: every widget of its .ui is
// bound to a control of the form and every control has its widget; the option buttons and
// Escape reach the form.
#include <gtest/gtest.h>

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "QtApp.h"
#include "gui/QtFormHost.h"
#include "network/FormComSettings.h"
#include "support/ProgramFixture.h"

namespace {

struct ComSettingsViewTest : ::testing::Test {
    app::Program& program() { return *fixture.program; }
    gui::FormDialog& open() {
        form.Form_Load();
        host.showModeless(form);
        QCoreApplication::processEvents();
        return *host.dialogOf(form);
    }

    QApplication& application = guitest::qtApp();
    testsupport::ProgramFixture fixture{true};
    QWidget owner;
    gui::QtFormHost host{owner, program()};
    network::FormComSettings form{program()};
};

TEST_F(ComSettingsViewTest, WidgetsAndControlsMatchOneToOne) {
    gui::FormDialog& dialog = open();
    const char* const controls[] = {"rbUseSerial",
                                    "rbUseTCP",
                                    "FrameSerial",
                                    "btnCom",
                                    "btnSearchSerial",
                                    "FrameTCP",
                                    "LabelCurrentName",
                                    "CtrlCurrentName",
                                    "LabelCurrentSerialNo",
                                    "CtrlCurrentSerialNo",
                                    "LabelCurrentEthernet",
                                    "CtrlCurrentEthernet",
                                    "LabelCurrentDescription",
                                    "CtrlCurrentDescription",
                                    "btnSearchTCP",
                                    "btnTCPSettings",
                                    "btnSearchModules",
                                    "Image1",
                                    "CmdOk",
                                    "CmdCancel"};
    for (const char* name : controls) EXPECT_TRUE(dialog.binder().bound(name)) << name;
    for (QWidget* w : dialog.findChildren<QWidget*>()) {
        const bool control = qobject_cast<QLabel*>(w) || qobject_cast<QLineEdit*>(w) ||
                             qobject_cast<QAbstractButton*>(w) || qobject_cast<QGroupBox*>(w);
        if (control && !w->objectName().startsWith("qt_")) {
            EXPECT_TRUE(dialog.binder().bound(w->objectName())) << w->objectName().toStdString();
        }
    }
    ui::Control stray;
    EXPECT_THROW(dialog.binder().control("CtrlNoSuchField", stray), std::logic_error)
        << "a control without its widget is refused";
    host.hide(form);
}

TEST_F(ComSettingsViewTest, OptionButtonsAndEscapeReachTheForm) {
    program().connection.CommKind = 2;
    program().connection.CurrentLink = 9;
    gui::FormDialog& dialog = open();
    auto* serial = dialog.findChild<QRadioButton*>("rbUseSerial");
    auto* linkTool = dialog.findChild<QPushButton*>("btnCom");
    ASSERT_TRUE(serial && linkTool);
    EXPECT_TRUE(dialog.findChild<QRadioButton*>("rbUseTCP")->isChecked());
    EXPECT_FALSE(linkTool->isEnabled());
    serial->click();
    EXPECT_TRUE(form.rbUseSerial.value);
    EXPECT_TRUE(linkTool->isEnabled());
    EXPECT_EQ(program().connection.CommKind, 1);
    EXPECT_FALSE(dialog.findChild<QPushButton*>("btnSearchTCP")->isEnabled());
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(program().connection.CommKind, 2) << "Cancel puts the choice back";
    EXPECT_EQ(program().connection.CurrentLink, 9);
    host.hide(form);
}

}  // namespace
