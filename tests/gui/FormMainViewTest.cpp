// The main window on a copy of the demo product, driven and read through its real widgets.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTest>
#include <QTreeWidget>

#include "FindWidget.h"
#include "LookChecks.h"
#include "QtApp.h"
#include "../load/ScriptedController.h"
#include "gui/FormMainView.h"
#include "load/PartitionList.h"
#include "support/ProgramFixture.h"

namespace {

struct FormMainViewTest : ::testing::Test {
    FormMainViewTest() {
        view.load();
        view.show();
    }

    template <class W>
    W& widget(const char* name) {
        return guitest::findWidget<W>(view, name);
    }
    QTreeWidget& list(const char* name) { return widget<QTreeWidget>(name); }
    bool enabled(const char* button) { return widget<QPushButton>(button).isEnabled(); }

    // Clicks the row whose column `column` reads `text`, as the user would.
    void clickRow(const char* listName, int column, const QString& text) {
        QTreeWidget& tree = list(listName);
        const auto found = tree.findItems(text, Qt::MatchExactly, column);
        ASSERT_EQ(found.size(), 1) << text.toStdString();
        const QRect rect = tree.visualItemRect(found[0]);
        ASSERT_TRUE(rect.isValid());
        QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, rect.center());
    }
    QTreeWidgetItem* rowWithText(const char* listName, int column, const QString& text) {
        const auto found = list(listName).findItems(text, Qt::MatchExactly, column);
        return found.size() == 1 ? found[0] : nullptr;
    }

    QApplication& application = guitest::qtApp();  // before any widget
    testsupport::ProgramFixture fixture{true};
    gui::FormMainView view{*fixture.program};
};

const char* const kControllerCommands[] = {"ButtonLoadProg", "ButtonLoadWeb", "COMPort",
                                           "BtnChangeAddress", "BtnReset"};

TEST_F(FormMainViewTest, StartsWithTheModelsAndTheCommandsOff) {
    EXPECT_EQ(view.windowTitle(), "Krelvan");
    EXPECT_EQ(view.height(), 427);  // 6400 twips
    QTreeWidget& models = list("CtrlModels");
    EXPECT_TRUE(models.isEnabled());
    ASSERT_EQ(models.topLevelItemCount(), 4);
    EXPECT_EQ(models.headerItem()->text(0), "Model");
    EXPECT_EQ(models.headerItem()->text(1), "Program");
    EXPECT_EQ(models.columnWidth(0), 168);  // 2522 twips
    EXPECT_NE(rowWithText("CtrlModels", 1, "KVX210 air handling controller"), nullptr);
    EXPECT_EQ(list("CurrentController").columnCount(), 5);
    EXPECT_EQ(list("CtrlPartitions").headerItem()->text(3), "Loaded Date");

    EXPECT_FALSE(list("CtrlPrograms").isEnabled());
    for (const char* name : kControllerCommands) EXPECT_FALSE(enabled(name)) << name;
    EXPECT_EQ(widget<QPushButton>("ButtonLoadProg").text(), "&Load Controller");
    EXPECT_EQ(widget<QPushButton>("COMPort").toolTip(), "(Alt+U)");
    EXPECT_FALSE(widget<QAction>("SaveLoadSettings").isEnabled());
    EXPECT_EQ(widget<QAction>("MenuHelp1").shortcut(), QKeySequence(Qt::Key_F1));
    EXPECT_EQ(widget<QAction>("MenuDocumentation").shortcut(), QKeySequence(Qt::Key_F2));
    EXPECT_TRUE(widget<QLineEdit>("CtrlPartitionName").isHidden());
    EXPECT_EQ(widget<QLabel>("CtrlStatusLine").font().family(), "Arial");
    EXPECT_TRUE(fixture.boxes.shown.empty());
}

// The load backs the settings up first unless the user clears the box.
TEST_F(FormMainViewTest, TheBackupBoxStartsCheckedAndTheLoadSeesItCleared) {
    QCheckBox& box = widget<QCheckBox>("CheckBackupSettings");
    EXPECT_EQ(box.text(), "Back up the settings first");
    EXPECT_TRUE(box.isChecked());
    QTest::mouseClick(&box, Qt::LeftButton, {}, QPoint(4, box.height() / 2));
    EXPECT_FALSE(box.isChecked());
    EXPECT_FALSE(fixture.program->mainWindow.CheckBackupSettings.value);
}

TEST_F(FormMainViewTest, ModelAndProgramClicksFillTheListsAndSetTheCommands) {
    clickRow("CtrlModels", 1, "KVX210 air handling controller");
    QTreeWidget& programs = list("CtrlPrograms");
    EXPECT_TRUE(programs.isEnabled());
    const auto& rows = fixture.program->formMain.CtrlPrograms.items;
    ASSERT_GE(rows.size(), 3u);
    ASSERT_EQ(programs.topLevelItemCount(), static_cast<int>(rows.size()));
    for (int i = 0; i < programs.topLevelItemCount(); ++i) {
        const auto& row = rows[static_cast<size_t>(i)];
        QTreeWidgetItem* item = programs.topLevelItem(i);
        EXPECT_EQ(item->text(0).toStdString(), row.text);
        EXPECT_EQ(item->text(1).toStdString(), row.subItems.at(0));
        // Only the current revision carries the icon.
        EXPECT_EQ(item->icon(0).isNull(), item->text(0) != "2.2-0-01") << row.text;
    }
    QTreeWidgetItem* current = rowWithText("CtrlPrograms", 0, "2.2-0-01");
    ASSERT_NE(current, nullptr);
    EXPECT_EQ(current->text(1), "Air handling unit, constant air volume");
    EXPECT_EQ(programs.currentItem(), current);
    EXPECT_TRUE(current->isSelected());
    EXPECT_EQ(fixture.program->catalogue.SelectedProgramIndex, 0);  // highlighted, not clicked
    for (const char* name : kControllerCommands) EXPECT_FALSE(enabled(name)) << name;

    clickRow("CtrlPrograms", 0, "2.2-0-01");
    EXPECT_TRUE(enabled("COMPort"));
    // No link yet: the controller commands wait for the communication settings.
    for (const char* name : {"ButtonLoadProg", "ButtonLoadWeb", "BtnChangeAddress", "BtnReset"}) {
        EXPECT_FALSE(enabled(name)) << name;
    }
    EXPECT_TRUE(widget<QAction>("SaveLoadSettings").isEnabled());  // it names a settings package

    clickRow("CtrlModels", 1, "KVX210 air handling controller");
    EXPECT_FALSE(enabled("COMPort"));
    EXPECT_FALSE(widget<QAction>("SaveLoadSettings").isEnabled());
    EXPECT_TRUE(fixture.boxes.shown.empty()) << fixture.boxes.shown[0].text;
}

TEST_F(FormMainViewTest, AdvancedSettingsShowThePartitionControlsInATallerWindow) {
    widget<QAction>("MenuAdvanced").trigger();
    EXPECT_EQ(view.height(), 633);  // 9500 twips
    for (const char* name : {"BtnAddPartition", "BtnRemovePartition"}) {
        EXPECT_FALSE(widget<QPushButton>(name).isHidden()) << name;
    }
    EXPECT_FALSE(widget<QLabel>("LabelPartitionSize").isHidden());
    EXPECT_EQ(widget<QLineEdit>("CtrlPartitionName").text(), "UnnamedPartition");
    EXPECT_EQ(widget<QLineEdit>("CtrlPartitionSize").text(), "2048");
}

TEST_F(FormMainViewTest, ActivatingWithoutAPartitionRowSaysSoAndTheWindowGoesOn) {
    QTest::mouseClick(&widget<QPushButton>("BtnActivatePartition"), Qt::LeftButton);
    ASSERT_EQ(fixture.boxes.shown.size(), 1u);
    EXPECT_EQ(fixture.boxes.shown[0].kind, ui::MessageKind::Error);
    EXPECT_EQ(fixture.boxes.shown[0].text, "Select a partition in the list first.");
    EXPECT_TRUE(widget<QPushButton>("BtnActivatePartition").isEnabled());
    clickRow("CtrlModels", 1, "KVX210 air handling controller");
    EXPECT_TRUE(list("CtrlPrograms").isEnabled());
}

// However long the running partition's name (127 characters, the most a controller keeps),
// its row keeps the mark where the name cannot push it out of sight: the first column.
TEST_F(FormMainViewTest, TheActiveMarkStaysInSightBesideAVeryLongName) {
    auto owned = std::make_unique<loadtest::ScriptedController>();
    owned->partitions = {{16, {"Heating", "", 2, 0, 0, 0}},
                         {17, {std::string(127, 'W'), "", 2, 0, 0, 0}}};
    owned->activePartition = 17;
    fixture.program->load.controller = std::move(owned);
    fixture.program->connection.CurrentLink = 5;
    view.binder().run([this] { load::RefreshPartitionList(*fixture.program); });
    QApplication::processEvents();

    QTreeWidget& tree = list("CtrlPartitions");
    QTreeWidgetItem* active = rowWithText("CtrlPartitions", 0, "17");
    QTreeWidgetItem* other = rowWithText("CtrlPartitions", 0, "16");
    ASSERT_NE(active, nullptr);
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(active->text(1).toStdString(), std::string(127, 'W') + " (Active)");
    // The name does not fit its column: the words at its end are out of sight.
    EXPECT_LT(tree.columnWidth(1), tree.fontMetrics().horizontalAdvance(active->text(1)));
    // The mark is the first column's icon, only on the running row, and that column is in
    // sight whatever the name's width.
    EXPECT_FALSE(active->icon(0).isNull());
    EXPECT_TRUE(other->icon(0).isNull());
    EXPECT_FALSE(tree.isColumnHidden(0));
    EXPECT_EQ(tree.columnViewportPosition(0), 0);
    const QRect cell = tree.visualRect(tree.model()->index(tree.indexOfTopLevelItem(active), 0));
    EXPECT_TRUE(tree.viewport()->rect().contains(cell)) << "the marked cell is in sight";
    EXPECT_GE(cell.width(), tree.style()->pixelMetric(QStyle::PM_SmallIconSize));
}

TEST_F(FormMainViewTest, NoCaptionOrHeaderIsCutFromTheDefaultSizeDownToTheSmallest) {
    using Strings = std::vector<std::string>;
    EXPECT_EQ(guitest::cutCaptions(view), Strings{}) << "default size";
    EXPECT_EQ(guitest::emptyListsWithScrollBars(view), Strings{});
    widget<QAction>("MenuAdvanced").trigger();
    EXPECT_EQ(guitest::cutCaptions(view), Strings{}) << "advanced settings";

    view.resize(1, 1);
    QApplication::processEvents();
    EXPECT_GT(view.width(), 1);
    EXPECT_EQ(view.size(), view.minimumSize());
    EXPECT_EQ(guitest::cutCaptions(view), Strings{}) << "smallest size";
    EXPECT_EQ(guitest::emptyListsWithScrollBars(view), Strings{}) << "smallest size";
}

}  // namespace
