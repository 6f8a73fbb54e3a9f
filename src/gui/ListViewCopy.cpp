#include "gui/ListViewCopy.h"

#include <QApplication>
#include <QHeaderView>
#include <QProgressBar>
#include <QTreeWidget>
#include <algorithm>

#include "gui/ColumnFit.h"
#include "gui/Twips.h"

namespace gui {

void setUpReportList(QTreeWidget& tree) {
    tree.setRootIsDecorated(false);
    tree.setItemsExpandable(false);
    tree.setUniformRowHeights(true);
    tree.setSelectionMode(QAbstractItemView::SingleSelection);
    tree.setSelectionBehavior(QAbstractItemView::SelectRows);
    tree.setEditTriggers(QAbstractItemView::NoEditTriggers);
    // The columns keep the widths the form gives them.
    tree.header()->setStretchLastSection(false);
    tree.header()->setSectionsMovable(false);
}

bool sameColumns(const std::vector<ui::ListColumn>& a, const std::vector<ui::ListColumn>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const ui::ListColumn& x, const ui::ListColumn& y) {
                          return x.header == y.header && x.widthTwips == y.widthTwips;
                      });
}

bool sameItems(const std::vector<ui::ListItem>& a, const std::vector<ui::ListItem>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const ui::ListItem& x, const ui::ListItem& y) {
                          return x.text == y.text && x.subItems == y.subItems && x.icon == y.icon;
                      });
}

namespace {

constexpr const char* kContentDesignedProperty = "krelvanContentDesigned";
constexpr const char* kFitContentProperty = "krelvanFitContent";

}  // namespace

void markFitToContent(QTreeWidget& tree) { tree.setProperty(kFitContentProperty, true); }

bool fitsContent(const QTreeWidget& tree) { return tree.property(kFitContentProperty).toBool(); }

void copyColumns(QTreeWidget& tree, const std::vector<ui::ListColumn>& columns) {
    QStringList headers;
    for (const ui::ListColumn& column : columns) headers << QString::fromStdString(column.header);
    tree.setColumnCount(static_cast<int>(columns.size()));
    tree.setHeaderLabels(headers);
    std::vector<int> designed;
    for (const ui::ListColumn& column : columns) designed.push_back(twipsToPixels(column.widthTwips));
    if (!fitsContent(tree)) {
        keepColumnsFitted(tree, designed);
        return;
    }
    QVariantList stored;
    for (int width : designed) stored << width;
    tree.setProperty(kContentDesignedProperty, stored);
    fitColumnsToContent(tree);
}

void fitColumnsToContent(QTreeWidget& tree) {
    // Columns wider than the list scroll sideways, but an empty list shows no scroll bar.
    tree.setHorizontalScrollBarPolicy(tree.topLevelItemCount() == 0 ? Qt::ScrollBarAlwaysOff
                                                                    : Qt::ScrollBarAsNeeded);
    const QVariantList designed = tree.property(kContentDesignedProperty).toList();
    for (int i = 0; i < tree.columnCount(); ++i) {
        const QAbstractItemView& view = tree;  // where the hint is public
        int width = std::max(tree.header()->sectionSizeHint(i), view.sizeHintForColumn(i));
        if (i < designed.size()) width = std::max(width, designed[i].toInt());
        tree.setColumnWidth(i, width);
    }
}

void copyItems(QTreeWidget& tree, const std::vector<ui::ListItem>& items, const ImageList& images) {
    tree.clear();
    QList<QTreeWidgetItem*> rows;
    rows.reserve(static_cast<qsizetype>(items.size()));
    for (const ui::ListItem& item : items) {
        QStringList texts{QString::fromStdString(item.text)};
        for (const std::string& sub : item.subItems) texts << QString::fromStdString(sub);
        auto* row = new QTreeWidgetItem(texts);
        if (item.icon != 0 && images) row->setIcon(0, images(item.icon));
        for (int column = 0; column < texts.size(); ++column)
            if (!texts[column].isEmpty()) row->setToolTip(column, texts[column]);
        rows << row;
    }
    tree.addTopLevelItems(rows);
    refitColumns(tree);
}

void copySelectedRow(QTreeWidget& tree, int row) {
    QTreeWidgetItem* item = row >= 1 ? tree.topLevelItem(row - 1) : nullptr;
    if (item == nullptr) {
        tree.clearSelection();
        tree.setCurrentItem(nullptr);
        return;
    }
    tree.setCurrentItem(item);
    tree.scrollToItem(item);
}

void copySelectedRows(QTreeWidget& tree, const std::vector<int>& rows, int current) {
    tree.clearSelection();
    for (int row : rows)
        if (QTreeWidgetItem* item = tree.topLevelItem(row - 1)) item->setSelected(true);
    QTreeWidgetItem* item = current >= 1 ? tree.topLevelItem(current - 1) : nullptr;
    if (item == nullptr) return;
    // Current without changing the selection just made.
    tree.selectionModel()->setCurrentIndex(tree.indexFromItem(item), QItemSelectionModel::NoUpdate);
    tree.scrollToItem(item);
}

std::vector<int> selectedRows(const QTreeWidget& tree) {
    std::vector<int> rows;
    for (int i = 0; i < tree.topLevelItemCount(); ++i)
        if (tree.topLevelItem(i)->isSelected()) rows.push_back(i + 1);
    return rows;
}

void showBarColour(QProgressBar& bar, const QColor& colour) {
    const QColor shown =
        colour.isValid() ? colour : QApplication::palette(&bar).color(QPalette::Highlight);
    if (bar.palette().color(QPalette::Highlight) == shown) return;
    QPalette palette = bar.palette();
    palette.setColor(QPalette::Highlight, shown);
    bar.setPalette(palette);
}

void showRowColour(QTreeWidgetItem& item, const QColor& colour) {
    const QBrush brush = colour.isValid() ? QBrush(colour) : QBrush();
    for (int column = 0; column < item.columnCount(); ++column)
        if (item.foreground(column) != brush) item.setForeground(column, brush);
}

}  // namespace gui
