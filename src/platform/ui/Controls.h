#pragma once
// The controls of a presentation-model form, held as plain data. The GUI copies them into
// widgets of the same names; tests read them directly.
#include <string>
#include <vector>

namespace ui {

struct Control {
    bool enabled = true;
    bool visible = true;
    std::string caption;
    std::string toolTip;
};

struct TextBox : Control {
    std::string text;
};

struct OptionButton : Control {
    bool value = false;
};

struct CheckBox : Control {
    bool value = false;
};

struct ProgressBar : Control {
    double min = 0.0;
    double max = 1.0;
    double value = 0.0;
};

struct Timer {
    bool enabled = false;
    int intervalMs = 0;
};

struct MenuEntry : Control {
    std::string shortcut;
};

struct ListColumn {
    std::string header;
    int widthTwips = 0;
};

struct ListItem {
    std::string text;
    std::vector<std::string> subItems;  // columns 2 onwards
    int icon = 0;                       // 0 none, otherwise an image-list index
};

struct ListView : Control {
    std::vector<ListColumn> columns;
    std::vector<ListItem> items;
    int selected = 0;  // 1-based, 0 when no row is selected

    void clear() {
        items.clear();
        selected = 0;
    }
    // The text of the selected row, "" when none.
    std::string selectedText() const {
        return selected >= 1 && selected <= static_cast<int>(items.size())
                   ? items[static_cast<size_t>(selected) - 1].text
                   : std::string();
    }
};

}  // namespace ui
