#include "gui/QtScreen.h"

#include <QApplication>

namespace gui {

QtScreen::~QtScreen() {
    if (pointer_ == ui::Pointer::Hourglass && QApplication::instance() != nullptr) {
        QApplication::restoreOverrideCursor();
    }
}

// One override cursor at most: Qt stacks them, and the program sets the pointer absolutely.
void QtScreen::setPointer(ui::Pointer pointer) {
    if (pointer == pointer_) return;
    if (pointer == ui::Pointer::Hourglass) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
        QApplication::restoreOverrideCursor();
    }
    pointer_ = pointer;
}

void QtScreen::processEvents() {
    if (refresh_) refresh_();
    QCoreApplication::processEvents();
}

}  // namespace gui
