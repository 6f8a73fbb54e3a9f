#pragma once
// Copies a list-view model into a QTreeWidget shown as a report-style list.
#include <QColor>
#include <QIcon>
#include <functional>

#include "platform/ui/Controls.h"

class QProgressBar;
class QTreeWidget;
class QTreeWidgetItem;

namespace gui {

// The images of a list's image list by their 1-based index; a null icon when there is none.
using ImageList = std::function<QIcon(int)>;

// Report style: no tree decoration, whole rows selected one at a time.
void setUpReportList(QTreeWidget& tree);

bool sameColumns(const std::vector<ui::ListColumn>& a, const std::vector<ui::ListColumn>& b);
bool sameItems(const std::vector<ui::ListItem>& a, const std::vector<ui::ListItem>& b);

// The columns keep the designed widths, fitted to the list, unless the list was marked to fit
// its content: then fitColumnsToContent sizes them after each copy of the items.
void copyColumns(QTreeWidget& tree, const std::vector<ui::ListColumn>& columns);
void markFitToContent(QTreeWidget& tree);
bool fitsContent(const QTreeWidget& tree);
// Each cell's text is its tool tip too, for a cell too narrow to show it whole.
void copyItems(QTreeWidget& tree, const std::vector<ui::ListItem>& items, const ImageList& images);
// Each column as wide as its designed width, its header and its widest text, whichever is most;
// no sideways scroll bar while the list is empty.
void fitColumnsToContent(QTreeWidget& tree);
// Selects the 1-based row and scrolls it into view; 0 (or a row out of range) selects none.
void copySelectedRow(QTreeWidget& tree, int row);
// Selects exactly these 1-based rows; `current` becomes the current row and is scrolled to.
void copySelectedRows(QTreeWidget& tree, const std::vector<int>& rows, int current);
// The 1-based rows selected, in order.
std::vector<int> selectedRows(const QTreeWidget& tree);

// The bar's chunk in `colour`; an invalid colour: the style's own.
void showBarColour(QProgressBar& bar, const QColor& colour);
// Every text of the row in `colour`; an invalid colour: the style's own.
void showRowColour(QTreeWidgetItem& item, const QColor& colour);

}  // namespace gui
