#pragma once
// What a window must never show: a cut caption, a cut column header, a scroll bar on an empty
// list. Each check names the widgets at fault, so a failure says where to look.
#include <QAbstractButton>
#include <QHeaderView>
#include <QLabel>
#include <QScrollBar>
#include <QTreeWidget>
#include <QWidget>
#include <string>
#include <vector>

namespace guitest {

inline std::string nameOf(const QWidget& widget) {
    return widget.objectName().isEmpty() ? widget.metaObject()->className()
                                         : widget.objectName().toStdString();
}

// The text as drawn: a single '&' marks the shortcut and takes no room.
inline QString shownText(QString text) {
    text.replace("&&", QString(QChar(0x1)));
    text.remove('&');
    text.replace(QChar(0x1), '&');
    return text;
}

// Visible buttons and one-line labels narrower than their text, and list headers narrower than
// their title.
inline std::vector<std::string> cutCaptions(const QWidget& window) {
    std::vector<std::string> cut;
    for (const QAbstractButton* button : window.findChildren<QAbstractButton*>()) {
        if (!button->isVisibleTo(&window) || button->text().isEmpty()) continue;
        if (button->width() < button->minimumSizeHint().width()) cut.push_back(nameOf(*button));
    }
    for (const QLabel* label : window.findChildren<QLabel*>()) {
        if (!label->isVisibleTo(&window) || label->wordWrap() || label->text().isEmpty()) continue;
        const int needed = label->fontMetrics().horizontalAdvance(shownText(label->text()));
        if (label->contentsRect().width() < needed) cut.push_back(nameOf(*label));
    }
    for (const QTreeWidget* tree : window.findChildren<QTreeWidget*>()) {
        if (!tree->isVisibleTo(&window)) continue;
        for (int i = 0; i < tree->columnCount(); ++i) {
            if (tree->columnWidth(i) < tree->header()->sectionSizeHint(i)) {
                cut.push_back(nameOf(*tree) + " column " + std::to_string(i + 1));
            }
        }
    }
    return cut;
}

// Lists that show a scroll bar while they have no rows.
inline std::vector<std::string> emptyListsWithScrollBars(const QWidget& window) {
    std::vector<std::string> found;
    for (const QTreeWidget* tree : window.findChildren<QTreeWidget*>()) {
        if (!tree->isVisibleTo(&window) || tree->topLevelItemCount() > 0) continue;
        if (tree->horizontalScrollBar()->isVisible() || tree->verticalScrollBar()->isVisible()) {
            found.push_back(nameOf(*tree));
        }
    }
    return found;
}

}  // namespace guitest
