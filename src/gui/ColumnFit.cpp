#include "gui/ColumnFit.h"

#include <QEvent>
#include <QHeaderView>
#include <QScrollBar>
#include <QStyle>
#include <QTreeWidget>
#include <algorithm>
#include <numeric>

namespace gui {
namespace {

constexpr const char* kDesignedProperty = "krelvanDesignedWidths";

// The first column holds each row's key (a partition's number beside the active row's
// icon): its content is never cut, the other columns only keep their headers whole.
std::vector<int> headerMinimums(const QTreeWidget& tree) {
    std::vector<int> minimum;
    for (int i = 0; i < tree.columnCount(); ++i) {
        minimum.push_back(tree.header()->sectionSizeHint(i));
    }
    if (minimum.empty()) return minimum;
    int content = 0;
    for (int row = 0; row < tree.topLevelItemCount(); ++row)
        content = std::max(content, tree.sizeHintForIndex(tree.model()->index(row, 0)).width());
    if (tree.rootIsDecorated()) content += tree.indentation();
    minimum[0] = std::max(minimum[0], content);
    return minimum;
}

std::vector<int> designedWidths(const QTreeWidget& tree) {
    std::vector<int> designed;
    for (const QVariant& width : tree.property(kDesignedProperty).toList()) {
        designed.push_back(width.toInt());
    }
    return designed;
}

void fitNow(QTreeWidget& tree) {
    const std::vector<int> designed = designedWidths(tree);
    if (designed.size() != static_cast<size_t>(tree.columnCount())) return;
    const std::vector<int> widths =
        fitColumns(designed, headerMinimums(tree), tree.viewport()->width());
    for (int i = 0; i < tree.columnCount(); ++i) {
        if (tree.columnWidth(i) != widths[static_cast<size_t>(i)]) {
            tree.setColumnWidth(i, widths[static_cast<size_t>(i)]);
        }
    }
}

// Refits when the viewport changes size (window resized, vertical scroll bar shown).
class FitOnResize final : public QObject {
  public:
    FitOnResize(QTreeWidget& tree) : QObject(&tree), tree_(tree) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Resize) fitNow(tree_);
        return QObject::eventFilter(watched, event);
    }

  private:
    QTreeWidget& tree_;
};

}  // namespace

std::vector<int> fitColumns(const std::vector<int>& designed, const std::vector<int>& minimum,
                            int available) {
    std::vector<int> widths(designed.size());
    long floor = 0;
    long slack = 0;
    for (size_t i = 0; i < designed.size(); ++i) {
        const int least = i < minimum.size() ? minimum[i] : 0;
        floor += least;
        slack += std::max(designed[i] - least, 0);
    }
    const long room = std::max<long>(available - floor, 0);
    for (size_t i = 0; i < designed.size(); ++i) {
        const int least = i < minimum.size() ? minimum[i] : 0;
        const long extra = std::max(designed[i] - least, 0);
        widths[i] = least + static_cast<int>(slack <= room ? extra : extra * room / slack);
    }
    return widths;
}

void refitColumns(QTreeWidget& tree) { fitNow(tree); }

void keepColumnsFitted(QTreeWidget& tree, const std::vector<int>& designed) {
    QVariantList stored;
    for (int width : designed) stored << width;
    const bool first = !tree.property(kDesignedProperty).isValid();
    tree.setProperty(kDesignedProperty, stored);
    if (first) tree.viewport()->installEventFilter(new FitOnResize(tree));

    const std::vector<int> minimum = headerMinimums(tree);
    const int headers = std::accumulate(minimum.begin(), minimum.end(), 0);
    const int scrollBar = tree.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &tree);
    tree.setMinimumWidth(headers + 2 * tree.frameWidth() + scrollBar);
    fitNow(tree);
}

}  // namespace gui
