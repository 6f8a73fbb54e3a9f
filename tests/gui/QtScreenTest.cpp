// The hourglass as Qt's override cursor: nested scopes leave no cursor behind.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>

#include "QtApp.h"
#include "gui/QtScreen.h"

namespace {

Qt::CursorShape overrideShape() {
    const QCursor* cursor = QApplication::overrideCursor();
    return cursor != nullptr ? cursor->shape() : Qt::ArrowCursor;
}

TEST(QtScreen, HourglassScopesNestAndPutThePointerBack) {
    guitest::qtApp();
    gui::QtScreen screen;
    {
        ui::HourglassScope outer(screen);
        EXPECT_EQ(overrideShape(), Qt::WaitCursor);
        {
            ui::HourglassScope inner(screen);
            EXPECT_EQ(screen.pointer(), ui::Pointer::Hourglass);
        }
        EXPECT_EQ(overrideShape(), Qt::WaitCursor);
        screen.setPointer(ui::Pointer::Hourglass);  // set twice, restored once
    }
    EXPECT_EQ(screen.pointer(), ui::Pointer::Default);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(QtScreen, EachPumpRefreshesFirst) {
    guitest::qtApp();
    gui::QtScreen screen;
    int refreshes = 0;
    screen.setRefresh([&refreshes] { ++refreshes; });
    screen.processEvents();
    screen.processEvents();
    EXPECT_EQ(refreshes, 2);
}

}  // namespace
