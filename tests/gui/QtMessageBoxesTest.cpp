// The program's button and answer codes against Qt's message-box buttons.
#include <gtest/gtest.h>

#include "gui/QtMessageBoxes.h"

namespace {

using QB = QMessageBox;

TEST(QtMessageBoxes, ButtonSetsAndDefaultsFollowTheProgramsCodes) {
    struct Row {
        int32_t code;
        QB::StandardButtons buttons;
        QB::StandardButton defaultButton;
    };
    const Row rows[] = {
        {0, QB::Ok, QB::Ok},
        {1, QB::Ok | QB::Cancel, QB::Ok},
        {1 + 256, QB::Ok | QB::Cancel, QB::Cancel},
        {4, QB::Yes | QB::No, QB::Yes},
        {4 + 256, QB::Yes | QB::No, QB::No},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(gui::qtButtons(row.code), row.buttons) << row.code;
        EXPECT_EQ(gui::qtDefaultButton(row.code), row.defaultButton) << row.code;
    }
}

TEST(QtMessageBoxes, AnswersComeBackAsTheProgramsCodes) {
    EXPECT_EQ(gui::answerCode(QB::Ok, 1), 1);
    EXPECT_EQ(gui::answerCode(QB::Cancel, 1), 2);
    EXPECT_EQ(gui::answerCode(QB::Yes, 4), 6);
    EXPECT_EQ(gui::answerCode(QB::No, 4 + 256), 7);
    // Closed without a button: the way out of each set.
    EXPECT_EQ(gui::answerCode(QB::NoButton, 1), 2);
    EXPECT_EQ(gui::answerCode(QB::NoButton, 4), 7);
    EXPECT_EQ(gui::answerCode(QB::NoButton, 0), 1);
}

TEST(QtMessageBoxes, KindsPickTheIcon) {
    EXPECT_EQ(gui::qtIcon(ui::MessageKind::Error), QB::Critical);
    EXPECT_EQ(gui::qtIcon(ui::MessageKind::Information), QB::Information);
}

}  // namespace
