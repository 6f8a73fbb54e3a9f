#pragma once
// Report lists keep the column widths their form gives them, but never cut a header or the
// first column's content, and never need a sideways scroll bar when the list is wide enough.
#include <vector>

class QTreeWidget;

namespace gui {

// Widths for the columns: each at least its minimum; when the designed widths do not fit the
// available width, what lies above the minimums shrinks in proportion.
std::vector<int> fitColumns(const std::vector<int>& designed, const std::vector<int>& minimum,
                            int available);

// Keeps `tree`'s columns fitted to its viewport from now on, `designed` being the form's
// widths in pixels, and makes the list no narrower than its headers.
void keepColumnsFitted(QTreeWidget& tree, const std::vector<int>& designed);
// Fits the columns again after the rows changed (the first column's content counts).
void refitColumns(QTreeWidget& tree);

}  // namespace gui
