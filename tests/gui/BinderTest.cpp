// The generic binder on a hand-made widget tree: models reach the widgets, widget signals reach
// the handlers once each, and a failing handler leaves the window usable.
#include <gtest/gtest.h>

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QTest>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <stdexcept>

#include "QtApp.h"
#include "gui/Binder.h"
#include "gui/QtScreen.h"
#include "support/ProgramFixture.h"

namespace {

template <class W>
W* add(QWidget& parent, const char* name) {
    auto* widget = new W(&parent);
    widget->setObjectName(name);
    parent.layout()->addWidget(widget);
    return widget;
}

struct BinderTest : ::testing::Test {
    BinderTest() {
        root.setLayout(new QVBoxLayout);
        go = add<QPushButton>(root, "Go");
        fail = add<QPushButton>(root, "Fail");
        status = add<QLabel>(root, "Status");
        edit = add<QLineEdit>(root, "Edit");
        tree = add<QTreeWidget>(root, "List");
        bar = add<QProgressBar>(root, "Bar");
        goModel.caption = "&Go";
        listModel.columns = {{"Name", 1500}, {"Value", 3000}};
        listModel.items = {{"a", {"1"}, 0}, {"b", {"2"}, 1}, {"c", {"3"}, 0}};
        binder.control("Go", goModel, [this] {
            ++goClicks;
            statusModel.caption = "went";
        });
        binder.control("Fail", failModel, [] { throw std::runtime_error("boom"); });
        binder.control("Status", statusModel);
        binder.textBox("Edit", editModel);
        binder.list(
            "List", listModel, [this](int row) { clickedRows.push_back(row); },
            [](int icon) {
                return icon == 1 ? QApplication::style()->standardIcon(QStyle::SP_DialogApplyButton)
                                 : QIcon();
            });
        binder.progressBar("Bar", barModel);
        binder.refresh();
        root.resize(420, 400);  // room for the list's designed widths
        root.show();
    }

    QPoint rowCentre(int row) const {
        return tree->visualItemRect(tree->topLevelItem(row - 1)).center();
    }

    QApplication& application = guitest::qtApp();  // before any widget
    testsupport::ProgramFixture fixture{false};
    QWidget root;
    gui::Binder binder{root, *fixture.program};
    QPushButton* go;
    QPushButton* fail;
    QLabel* status;
    QLineEdit* edit;
    QTreeWidget* tree;
    QProgressBar* bar;
    ui::Control goModel, failModel, statusModel;
    ui::TextBox editModel;
    ui::ListView listModel;
    ui::ProgressBar barModel;
    int goClicks = 0;
    std::vector<int> clickedRows;
};

TEST_F(BinderTest, ModelChangesShowAtTheNextEventPump) {
    gui::QtScreen screen;
    screen.setRefresh([this] { binder.refresh(); });
    statusModel.caption = "<b>Loading</b>";
    goModel.enabled = false;
    failModel.visible = false;
    goModel.toolTip = "(Alt+G)";
    barModel.value = 0.25;
    listModel.items.push_back({"d", {"4"}, 0});
    listModel.selected = 4;
    editModel.text = "UnnamedPartition";
    EXPECT_EQ(status->text(), "");  // nothing moves before the pump

    screen.processEvents();
    EXPECT_EQ(status->text(), "<b>Loading</b>");
    EXPECT_EQ(status->textFormat(), Qt::PlainText);
    EXPECT_FALSE(go->isEnabled());
    EXPECT_EQ(go->toolTip(), "(Alt+G)");
    EXPECT_TRUE(fail->isHidden());
    EXPECT_EQ(bar->value(), (bar->maximum() - bar->minimum()) / 4);
    EXPECT_EQ(edit->text(), "UnnamedPartition");
    ASSERT_EQ(tree->topLevelItemCount(), 4);
    EXPECT_EQ(tree->topLevelItem(3)->text(1), "4");
    EXPECT_EQ(tree->currentItem(), tree->topLevelItem(3));
    EXPECT_TRUE(clickedRows.empty()) << "copying the selection must not call the handler";
}

TEST_F(BinderTest, ListsShowColumnsInPixelsAndIcons) {
    ASSERT_EQ(tree->columnCount(), 2);
    EXPECT_EQ(tree->headerItem()->text(0), "Name");
    EXPECT_EQ(tree->columnWidth(0), 100);  // 1500 twips at 15 twips a pixel
    EXPECT_EQ(tree->columnWidth(1), 200);
    EXPECT_FALSE(tree->rootIsDecorated());
    EXPECT_EQ(tree->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(tree->topLevelItem(0)->text(0), "a");
    EXPECT_EQ(tree->topLevelItem(0)->text(1), "1");
    EXPECT_TRUE(tree->topLevelItem(0)->icon(0).isNull());
    EXPECT_FALSE(tree->topLevelItem(1)->icon(0).isNull());
    EXPECT_EQ(tree->currentItem(), nullptr);
}

TEST_F(BinderTest, ClicksReachTheHandlersOnceAndShowTheirEffect) {
    QTest::mouseClick(go, Qt::LeftButton);
    EXPECT_EQ(goClicks, 1);
    EXPECT_EQ(status->text(), "went");

    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, rowCentre(2));
    EXPECT_EQ(clickedRows, std::vector<int>{2});
    // A row chosen with the keyboard is a click too.
    QTest::keyClick(tree, Qt::Key_Down);
    QCoreApplication::processEvents();
    EXPECT_EQ(clickedRows, (std::vector<int>{2, 3}));

    QTest::keyClicks(edit, "42");
    EXPECT_EQ(editModel.text, "42");
}

TEST_F(BinderTest, ASelectionThePickerMadeStaysUntilTheModelMovesIt) {
    ui::ListView passive = listModel;
    QTreeWidget other(&root);
    other.setObjectName("Passive");
    binder.list("Passive", passive);
    binder.refresh();
    other.setCurrentItem(other.topLevelItem(1));
    binder.refresh();
    EXPECT_EQ(other.currentItem(), other.topLevelItem(1));
    passive.selected = 3;
    binder.refresh();
    EXPECT_EQ(other.currentItem(), other.topLevelItem(2));
}

TEST_F(BinderTest, AFailingHandlerShowsAnErrorAndTheWindowStaysUsable) {
    QTest::mouseClick(fail, Qt::LeftButton);
    ASSERT_EQ(fixture.boxes.shown.size(), 1u);
    EXPECT_EQ(fixture.boxes.shown[0].kind, ui::MessageKind::Error);
    EXPECT_NE(fixture.boxes.shown[0].text.find("boom"), std::string::npos);

    EXPECT_TRUE(fail->isEnabled());
    QTest::mouseClick(go, Qt::LeftButton);
    EXPECT_EQ(goClicks, 1);
    EXPECT_EQ(status->text(), "went");
}

TEST_F(BinderTest, AWidgetTheFormLacksIsReportedWhenBinding) {
    ui::Control model;
    EXPECT_THROW(binder.control("Missing", model), std::logic_error);
    EXPECT_THROW(binder.control("Status", model, [] {}), std::logic_error);  // not a button
    EXPECT_THROW(binder.list("Go", listModel), std::logic_error);            // not a list
}

// A list of long texts: columns as wide as their widest text (scrolling sideways rather than
// cutting), every cell's text as its tool tip, and several rows selected both ways.
TEST_F(BinderTest, AContentFittedListShowsWholeTextsAndTakesSeveralRows) {
    const std::string longText(120, 'x');
    ui::ListView wide;
    wide.columns = {{"Line", 0}, {"Problem", 600}};
    wide.items = {{"2", {longText}, 0}, {"3", {"short"}, 0}, {"4", {""}, 0}};
    std::vector<int> selected;
    std::vector<std::vector<int>> told;
    auto* list = new QTreeWidget(&root);
    list->setObjectName("Wide");
    root.layout()->addWidget(list);
    binder.list("Wide", wide);
    binder.fitToContent("Wide");
    binder.selection("Wide", selected, [&](const std::vector<int>& rows) {
        told.push_back(rows);
        selected = rows;
    });
    binder.refresh();
    list->show();
    root.layout()->activate();

    EXPECT_GE(list->columnWidth(1),
              list->fontMetrics().horizontalAdvance(QString::fromStdString(longText)));
    EXPECT_GE(list->columnWidth(0), list->header()->sectionSizeHint(0)) << "its header whole";
    EXPECT_EQ(list->topLevelItem(0)->toolTip(1).toStdString(), longText);
    EXPECT_EQ(list->topLevelItem(1)->toolTip(0), "3");
    EXPECT_TRUE(list->topLevelItem(2)->toolTip(1).isEmpty());

    // Ctrl-click adds a row to the selection; the model hears every row selected.
    // Near the row's left end: the row is wider than the list.
    const auto centre = [list](int row) {
        return QPoint(8, list->visualItemRect(list->topLevelItem(row - 1)).center().y());
    };
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, centre(1));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier, centre(3));
    ASSERT_FALSE(told.empty());
    EXPECT_EQ(told.back(), (std::vector<int>{1, 3}));
    // The model selects rows of its own; the list shows them, and nobody is told.
    told.clear();
    selected = {2, 3};
    binder.refresh();
    EXPECT_FALSE(list->topLevelItem(0)->isSelected());
    EXPECT_TRUE(list->topLevelItem(1)->isSelected());
    EXPECT_TRUE(list->topLevelItem(2)->isSelected());
    EXPECT_TRUE(told.empty());

    // Emptied, it shows no sideways scroll bar.
    wide.items.clear();
    selected.clear();
    binder.refresh();
    EXPECT_EQ(list->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
}

}  // namespace
