#include <sys/stat.h>

#include "LibraryFixture.h"
#include "platform/kvxglib/CommandLine.h"
#include "platform/kvxglib/ProcessLauncher.h"

using kvxglib::splitArguments;
using Args = std::vector<std::string>;

TEST(CommandLine, SplitsLikeAWindowsCommandLine) {
    EXPECT_EQ(splitArguments(""), Args{});
    EXPECT_EQ(splitArguments("  a  b\tc "), (Args{"a", "b", "c"}));
    EXPECT_EQ(splitArguments("PORT=\"COM 1\" PLA=\"12\""), (Args{"PORT=COM 1", "PLA=12"}));
    EXPECT_EQ(splitArguments("\"C:\\Program Files\\x\" \"\""), (Args{"C:\\Program Files\\x", ""}));
    EXPECT_EQ(splitArguments("a\\\\b \\\"q\\\" \"x\\\\\" y"),
              (Args{"a\\\\b", "\"q\"", "x\\", "y"}));
    EXPECT_EQ(splitArguments("/L"), (Args{"/L"}));
}

TEST_F(LibraryTest, ExecutablesGetTheirArgumentVectorWithoutAShell) {
    temp.write("Product/Program/SettingsTool.exe", "#!/bin/sh\n");
    chmod((temp / "Product/Program/SettingsTool.exe").c_str(), 0755);
    int32_t out1 = 0, out2 = 0;
    EXPECT_NE(lib.RunProgram("  prod:\\program\\settingstool.exe ",
                             "PORT=\"1\" PATH=\"/a b/c\" CNAME=\"M;1\"", "Prod:\\Program", out1, 1,
                             out2, ""),
              0);
    ASSERT_EQ(launcher.launched.size(), 1u);
    EXPECT_EQ(launcher.launched[0], (Args{product() + "/Program/SettingsTool.exe", "PORT=1",
                                          "PATH=/a b/c", "CNAME=M;1"}));
    EXPECT_EQ(launcher.directories[0], product() + "/Program");
}

TEST_F(LibraryTest, DocumentsAndFoldersOpenWithTheDesktopOpener) {
    temp.write("Product/Documentation/English/Krelvan Manual.pdf", "%PDF");
    int32_t o = 0;
    const std::string manual =
        std::string(lib.ResolvePath("Prod:\\Documentation\\English\\", 0, o)) +
        "Krelvan Manual.pdf";
    EXPECT_NE(lib.RunProgram(manual, "", "", o, 1, o, ""), 0);
    EXPECT_NE(lib.RunProgram("Prod:\\Documentation", "", "", o, 1, o, ""), 0);
    // The platform's file browser and editor take the whole argument as one path.
    EXPECT_NE(lib.RunProgram("Explorer.exe", product() + "/Application programs\\Documentation", "",
                             o, 1, o, ""),
              0);
    EXPECT_NE(lib.RunProgram("Notepad.Exe", "\"" + product() + "/Documentation\"", "", o, 1, o, ""),
              0);
    ASSERT_EQ(launcher.launched.size(), 4u);
    EXPECT_EQ(launcher.launched[0],
              (Args{"xdg-open", product() + "/Documentation/English/Krelvan Manual.pdf"}));
    EXPECT_EQ(launcher.launched[1], (Args{"xdg-open", product() + "/Documentation"}));
    EXPECT_EQ(launcher.launched[2],
              (Args{"xdg-open", product() + "/Application programs/Documentation"}));
    EXPECT_EQ(launcher.launched[3], (Args{"xdg-open", product() + "/Documentation"}));
}

TEST_F(LibraryTest, ProgramsOnThePathAndFailures) {
    int32_t o = 0;
    EXPECT_NE(lib.RunProgram("LinkTool", "/L", "", o, 1, o, ""), 0);
    EXPECT_EQ(launcher.launched.back(), (Args{"LinkTool", "/L"}));
    EXPECT_EQ(lib.RunProgram("Prod:\\Program\\Missing.exe", "", "", o, 1, o, ""), 0);
    EXPECT_EQ(lib.RunProgram("   ", "", "", o, 1, o, ""), 0);
    launcher.succeed = false;
    EXPECT_EQ(lib.RunProgram("LinkTool", "/L", "", o, 1, o, ""), 0);
}

TEST(PosixProcessLauncher, StartsARealProgramAndReportsAMissingOne) {
    kvxglib::PosixProcessLauncher launcher;
    EXPECT_TRUE(launcher.launch({"/bin/true", "ignored"}, "/"));
    EXPECT_FALSE(launcher.launch({"/no/such/program"}, ""));
    EXPECT_FALSE(launcher.launch({"/bin/true"}, "/no/such/folder"));
    EXPECT_FALSE(launcher.launch({}, ""));
}
