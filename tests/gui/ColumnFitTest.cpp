// Report lists keep their designed column widths where there is room, and otherwise shrink
// them without cutting a header or needing a sideways scroll bar.
#include <gtest/gtest.h>

#include <QHeaderView>
#include <QScrollBar>
#include <QStyle>
#include <QTreeWidget>

#include "QtApp.h"
#include "gui/ColumnFit.h"
#include "gui/ListViewCopy.h"

namespace {

TEST(ColumnFitTest, ShrinksWhatLiesAboveTheMinimumsInProportion) {
    struct Case {
        const char* what;
        std::vector<int> designed, minimum;
        int available;
        std::vector<int> expected;
    };
    const Case cases[] = {
        {"room for all", {100, 200}, {30, 40}, 400, {100, 200}},
        {"exactly enough", {100, 200}, {30, 40}, 300, {100, 200}},
        {"half the slack", {100, 200}, {30, 40}, 70 + 115, {30 + 35, 40 + 80}},
        {"only the minimums", {100, 200}, {30, 40}, 70, {30, 40}},
        {"less than the minimums", {100, 200}, {30, 40}, 10, {30, 40}},
        {"a designed width below its header", {5, 200}, {30, 40}, 400, {30, 200}},
        {"no columns", {}, {}, 100, {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(gui::fitColumns(c.designed, c.minimum, c.available), c.expected) << c.what;
    }
}

TEST(ColumnFitTest, AListFollowsItsWidthAndIsNeverNarrowerThanItsHeaders) {
    guitest::qtApp();
    QTreeWidget tree;
    tree.setHeaderLabels({"Nr", "A rather long header", "Type"});
    tree.resize(800, 200);
    tree.show();
    gui::keepColumnsFitted(tree, {60, 400, 100});
    EXPECT_EQ(tree.columnWidth(1), 400);

    tree.resize(250, 200);
    EXPECT_GE(tree.width(), tree.minimumWidth());
    int total = 0;
    for (int i = 0; i < tree.columnCount(); ++i) {
        EXPECT_GE(tree.columnWidth(i), tree.header()->sectionSizeHint(i)) << i;
        total += tree.columnWidth(i);
    }
    EXPECT_LE(total, tree.viewport()->width());
    EXPECT_FALSE(tree.horizontalScrollBar()->isVisible());

    tree.resize(tree.minimumWidth(), 200);
    EXPECT_FALSE(tree.horizontalScrollBar()->isVisible());

    tree.resize(800, 200);
    EXPECT_EQ(tree.columnWidth(1), 400);
}

// The partition list marks the active row with an icon beside its number: however narrow the
// window, the number stays readable.
TEST(ColumnFitTest, TheFirstColumnKeepsItsContentBesideAnIcon) {
    guitest::qtApp();
    QTreeWidget tree;
    gui::setUpReportList(tree);
    tree.resize(800, 200);
    tree.show();
    gui::copyColumns(tree, {{"Nr", 882}, {"Name", 4410}, {"Title", 4410}});
    const QIcon mark = tree.style()->standardIcon(QStyle::SP_DialogApplyButton);
    gui::copyItems(tree, {{"16", {"Heating (Active)", ""}, 1}, {"32", {"Spare", ""}, 0}},
                   [mark](int) { return mark; });
    const int marked = tree.sizeHintForIndex(tree.model()->index(0, 0)).width();
    ASSERT_GT(marked, tree.header()->sectionSizeHint(0)) << "the icon and number outgrow \"Nr\"";
    for (const int width : {800, 250, tree.minimumWidth()}) {
        tree.resize(width, 200);
        EXPECT_GE(tree.columnWidth(0), marked) << width;
    }
}

}  // namespace
