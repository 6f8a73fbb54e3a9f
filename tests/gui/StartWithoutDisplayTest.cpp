// The window program started where there is no display: one line and exit 2, not Qt's abort.
#include <gtest/gtest.h>

#include <cstdlib>

#include "support/RunCommand.h"

TEST(StartWithoutDisplay, SaysSoInOneLine) {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) unsetenv(name);
    const testsupport::CommandResult r = testsupport::runCommand({KRELVAN_GUI_PATH}, 30);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err,
              "krelvan: no display (DISPLAY and WAYLAND_DISPLAY are not set); krelvan-cli offers "
              "the same operations without windows\n");
    EXPECT_EQ(r.out, "");
    // Help needs no display.
    EXPECT_EQ(testsupport::runCommand({KRELVAN_GUI_PATH, "--help"}, 30).exitCode, 0);
}
