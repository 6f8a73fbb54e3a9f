// A program load with the progress dialog on real (offscreen) widgets: the percentage shows
// while the loader reports, and the dialog's Cancel button stops the load.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include "QtApp.h"
#include "gui/QtFormHost.h"
#include "load/LoadController.h"
#include "load/PartitionList.h"
#include "../load/ScriptedController.h"
#include "support/ProgramFixture.h"

namespace {

struct LoadDialogViewTest : ::testing::Test {
    LoadDialogViewTest() {
        auto owned = std::make_unique<loadtest::ScriptedController>();
        controller = owned.get();
        controller->osKindTarget = &program().connection.ControllerOsKind;
        // 16 runs: the load goes into 32, the one free program partition.
        controller->partitions = {{16, {"Heating", "", 2, 0, 0, 0}},
                                  {32, {"Spare", "", 2, 0, 0, 0}}};
        controller->numbers = {{"QSystem.ActivePartition", 16},
                               {"QSystem.ActiveSubApplication", 0}};
        program().load.controller = std::move(owned);
        program().load.forms = &host;
        app::FormMain& form = program().formMain;
        form.Form_Load();
        form.CtrlModels_ItemClick(3);
        program().connection.CurrentLink = 5;
        form.CtrlPrograms_ItemClick(2);
        load::RefreshPartitionList(program());
        fixture.components.script.loadProgress = {0.25, 0.5, 0.75, 1.0};
    }
    app::Program& program() { return *fixture.program; }
    QDialog* shownDialog() {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->objectName() == "FormLoadApplication" && w->isVisible())
                return qobject_cast<QDialog*>(w);
        }
        return nullptr;
    }

    QApplication& application = guitest::qtApp();
    testsupport::ProgramFixture fixture{true};
    QWidget owner;
    gui::QtFormHost host{owner, program()};
    loadtest::ScriptedController* controller = nullptr;
};

TEST_F(LoadDialogViewTest, ShowsTheProgressAndCancels) {
    int rounds = 0;
    std::vector<QString> percentages;
    QString caption;
    fixture.screen.onEvents = [&] {
        host.refresh();  // as the window's event pump does
        QDialog* dialog = shownDialog();
        if (dialog == nullptr) return;
        caption = dialog->windowTitle();
        percentages.push_back(dialog->findChild<QLineEdit*>("NumValue")->text());
        if (++rounds == 3) {
            QTest::mouseClick(dialog->findChild<QPushButton*>("CancelButton"), Qt::LeftButton);
        }
    };
    EXPECT_EQ(load::LoadController(program()), load::LoadOutcome::Cancelled);
    EXPECT_EQ(caption, "Loading application program");
    EXPECT_EQ(percentages, (std::vector<QString>{"0", "25", "50"}));
    EXPECT_TRUE(program().load.LoadCancelled);
    EXPECT_EQ(shownDialog(), nullptr);
    // No completion message: only what runs, as the controller reports it.
    EXPECT_EQ(fixture.messages(),
              (std::vector<std::string>{
                  "Partition 32 holds what it held before.",
                  "The controller keeps the program it had: partition 16 runs."}));
    EXPECT_TRUE(program().formMain.ButtonLoadProg.enabled);
}

TEST_F(LoadDialogViewTest, EscapeInTheDialogCancelsToo) {
    fixture.screen.onEvents = [&] {
        host.refresh();
        if (QDialog* dialog = shownDialog()) QTest::keyClick(dialog, Qt::Key_Escape);
    };
    EXPECT_EQ(load::LoadController(program()), load::LoadOutcome::Cancelled);
    EXPECT_EQ(shownDialog(), nullptr);
}

TEST_F(LoadDialogViewTest, ACompletedLoadClosesTheDialog) {
    fixture.screen.onEvents = [&] { host.refresh(); };
    EXPECT_EQ(load::LoadController(program()), load::LoadOutcome::Loaded);
    EXPECT_EQ(shownDialog(), nullptr);
    ASSERT_EQ(fixture.messages().size(), 1u);
    EXPECT_THAT(fixture.messages()[0],
                ::testing::StartsWith("The application program was loaded into partition 32."));
}

}  // namespace
