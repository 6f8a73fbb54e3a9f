#pragma once
// Copies a list-view model into a QTreeWidget shown as a report-style list.
#include <QIcon>
#include <functional>

#include "platform/ui/Controls.h"

class QTreeWidget;

namespace gui {

// The images of a list's image list by their 1-based index; a null icon when there is none.
using ImageList = std::function<QIcon(int)>;

// Report style: no tree decoration, whole rows selected one at a time.
void setUpReportList(QTreeWidget& tree);

bool sameColumns(const std::vector<ui::ListColumn>& a, const std::vector<ui::ListColumn>& b);
bool sameItems(const std::vector<ui::ListItem>& a, const std::vector<ui::ListItem>& b);

void copyColumns(QTreeWidget& tree, const std::vector<ui::ListColumn>& columns);
void copyItems(QTreeWidget& tree, const std::vector<ui::ListItem>& items, const ImageList& images);
// Selects the 1-based row and scrolls it into view; 0 (or a row out of range) selects none.
void copySelectedRow(QTreeWidget& tree, int row);

}  // namespace gui
