#include "gui/ListViewCopy.h"

#include <QHeaderView>
#include <QTreeWidget>

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

void copyColumns(QTreeWidget& tree, const std::vector<ui::ListColumn>& columns) {
    QStringList headers;
    for (const ui::ListColumn& column : columns) headers << QString::fromStdString(column.header);
    tree.setColumnCount(static_cast<int>(columns.size()));
    tree.setHeaderLabels(headers);
    std::vector<int> designed;
    for (const ui::ListColumn& column : columns) designed.push_back(twipsToPixels(column.widthTwips));
    keepColumnsFitted(tree, designed);
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

}  // namespace gui
