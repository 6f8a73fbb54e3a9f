#pragma once
// A named widget of a window, as a test needs it: a missing one fails the test by name.
#include <QWidget>
#include <stdexcept>
#include <string>

namespace guitest {

template <class W>
W& findWidget(const QWidget& parent, const char* name) {
    W* found = parent.findChild<W*>(name);
    if (found == nullptr) throw std::logic_error(std::string("no widget ") + name);
    return *found;
}

}  // namespace guitest
