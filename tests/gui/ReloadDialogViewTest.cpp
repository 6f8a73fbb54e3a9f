// The confirmation before "Load Web-site" on real (offscreen) widgets: its captions come from
// the texts (the web site's on KVXreal C, the TCP/IP option's otherwise), and OK, Cancel and
// Escape reach the form.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "QtApp.h"
#include "gui/QtFormHost.h"
#include "load/FormReloadTCPIP.h"
#include "support/ProgramFixture.h"

namespace {

struct ReloadDialogViewTest : ::testing::Test {
    ReloadDialogViewTest() { program().load.forms = &host; }
    ~ReloadDialogViewTest() override { program().load.forms = nullptr; }
    app::Program& program() { return *fixture.program; }

    QApplication& application = guitest::qtApp();
    testsupport::ProgramFixture fixture{true};
    QWidget owner;
    gui::QtFormHost host{owner, program()};
};

TEST_F(ReloadDialogViewTest, ShowsItsTextsAndEachButtonEndsIt) {
    // KVXreal C: OK only closes the dialog, the web-site load comes after it.
    program().connection.ControllerOsKind = "C";
    enum class Press { Ok, Cancel, Escape };
    for (Press press : {Press::Ok, Press::Cancel, Press::Escape}) {
        SCOPED_TRACE(static_cast<int>(press));
        load::FormReloadTCPIP form(program());
        form.Form_Load();
        host.showModeless(form);
        QCoreApplication::processEvents();
        gui::FormDialog* dialog = host.dialogOf(form);
        ASSERT_NE(dialog, nullptr);
        // A web site goes into a partition: nothing of the TCP/IP option is reloaded.
        EXPECT_EQ(dialog->windowTitle(), "Loading web site");
        EXPECT_EQ(dialog->findChild<QLabel*>("StepLabel_0")->text(),
                  "1) Chooses the controller's web partition.");
        EXPECT_EQ(dialog->findChild<QLabel*>("StepLabel_1")->text(),
                  "2) Download the web site to the controller.");
        EXPECT_EQ(dialog->findChild<QPushButton*>("CancelButton")->text(), "Cancel");
        switch (press) {
            case Press::Ok:
                QTest::mouseClick(dialog->findChild<QPushButton*>("OKButton"), Qt::LeftButton);
                break;
            case Press::Cancel:
                QTest::mouseClick(dialog->findChild<QPushButton*>("CancelButton"), Qt::LeftButton);
                break;
            case Press::Escape:
                QTest::keyClick(dialog, Qt::Key_Escape);
                break;
        }
        QCoreApplication::processEvents();
        EXPECT_EQ(form.Result, press == Press::Ok);
        EXPECT_EQ(host.dialogOf(form), nullptr);
        EXPECT_EQ(fixture.screen.pointer(), ui::Pointer::Default);
    }
}

}  // namespace
