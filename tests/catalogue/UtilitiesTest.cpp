// The small shell utilities: numbers in text, yes-texts, command lines, placeholders, texts,
// record-byte edits, waiting, and the module and project folder selection.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "catalogue/LibraryText.h"
#include "catalogue/Paths.h"
#include "catalogue/ProgramStart.h"
#include "catalogue/Texts.h"
#include "catalogue/TextUtil.h"
#include "catalogue/WaitSeconds.h"
#include "support/FakeComponents.h"
#include "support/MockLibraries.h"
#include "support/ProgramFixture.h"

using namespace catalogue;
using ::testing::_;
using ::testing::Eq;
using ::testing::Return;
using testsupport::ProgramFixture;

namespace {

TEST(NumericValue, ReadsTheLeadingNumber) {
    EXPECT_EQ(NumericValue("12abc"), 12);
    EXPECT_EQ(NumericValue("  -3.25.7"), -3.25);
    EXPECT_EQ(NumericValue("+8"), 8);
    EXPECT_EQ(NumericValue("&HFF"), 255);
    EXPECT_EQ(NumericValue("&hff"), 255);
    EXPECT_EQ(NumericValue("&O17"), 15);
    EXPECT_EQ(NumericValue("abc"), 0);
    EXPECT_EQ(NumericValue(""), 0);
    EXPECT_EQ(NumericValue(".5"), 0.5);
}

TEST(IsYes, AcceptsYesInAnyCaseOnly) {
    for (const char* yes : {"yes", "YES", "Yes"}) EXPECT_TRUE(IsYes(yes)) << yes;
    for (const char* no : {"Y", "yes ", "No", "", "Yess"}) EXPECT_FALSE(IsYes(no)) << no;
}

TEST(SplitCommandLine, QuotedProgramWithArguments) {
    std::string args = "old";
    EXPECT_EQ(SplitCommandLine("\"C:\\Tools\\My Tool.exe\"   -a  b  ", args),
              "C:\\Tools\\My Tool.exe");
    EXPECT_EQ(args, "-a  b");
}

TEST(SplitCommandLine, UnclosedQuoteKeepsTheArguments) {
    std::string args = "old";
    EXPECT_EQ(SplitCommandLine("\"C:\\Tools\\tool.exe -x", args), "C:\\Tools\\tool.exe -x");
    EXPECT_EQ(args, "old");
}

TEST(SplitCommandLine, UnquotedLines) {
    std::string args = "old";
    EXPECT_EQ(SplitCommandLine("Notepad.Exe", args), "Notepad.Exe");
    EXPECT_EQ(args, "old");
    EXPECT_EQ(SplitCommandLine("no dot here", args), "no dot here");
    EXPECT_EQ(args, "old");
    EXPECT_EQ(SplitCommandLine("My Dir\\tool.exe /L  ", args), "My Dir\\tool.exe");
    EXPECT_EQ(args, "/L");
}

TEST(ReplacePlaceholders, FillsEveryPairInOrder) {
    EXPECT_EQ(ReplacePlaceholders("Module @PLA:@ELA", {"@PLA", "5", "@ELA", "7"}), "Module 5:7");
    EXPECT_EQ(ReplacePlaceholders("@PLA and @PLA", {"@PLA", "1"}), "1 and 1");
    EXPECT_EQ(ReplacePlaceholders("no placeholder", {"@PLA", "1"}), "no placeholder");
    EXPECT_EQ(ReplacePlaceholders("@PLA", {"@PLA", "1", "@ELA"}), "@PLA");
    EXPECT_EQ(ReplacePlaceholders("@pla", {"@PLA", "1"}), "@pla");
    // A value holding its own placeholder is not replaced again.
    EXPECT_EQ(ReplacePlaceholders("@P", {"@P", "@P@P"}), "@P@P");
    EXPECT_EQ(ReplacePlaceholders("x", {"", "y"}), "x");
}

TEST(RecordBytes, PutByteWordAndOemText) {
    EXPECT_EQ(PutWordAt("abcd", 2, 258), std::string("a\x02\x01" "d"));
    EXPECT_EQ(PutByteAt("abc", 3, 0x41), "abA");
    EXPECT_EQ(PutByteTextAt("abc", 1, "66"), "Bbc");
    // A number beyond any int (once an undefined conversion) leaves the record alone.
    EXPECT_EQ(PutByteTextAt("abc", 1, "99999999999"), "abc");
    EXPECT_EQ(PutByteTextAt("abc", 1, "-1e"), std::string("\xFF" "bc"));
    EXPECT_EQ(PutOemTextAt("      ", 3, "\xC3\xA9t\xC3\xA9xyz"), std::string("  \x82t\x82x"));
    EXPECT_EQ(PutByteAt("abc", 4, 0x41), "abc");  // past the end: unchanged
}

TEST(TextFromPointer, CopiesThroughTheLibrary) {
    testsupport::MockGlib glib;
    EXPECT_CALL(glib, CopyText(_, _, _)).WillRepeatedly(testsupport::copyTextLikeTheLibrary);
    EXPECT_EQ(TextFromPointer(glib, ""), "");
    EXPECT_EQ(TextFromPointer(glib, "\x85"), "\u2026");
    EXPECT_EQ(TextFromPointer(glib, "caf\xC3\xA9"), "caf\xC3\xA9");
    EXPECT_EQ(TextFromPointer(glib, "caf\xE9"), "caf\xC3\xA9");  // old 8-bit text
}

TEST(TextFromPointer, KeepsOnlyWhatTheLibraryCopied) {
    testsupport::MockGlib glib;
    EXPECT_CALL(glib, CopyText(_, _, 5)).WillOnce([](char* d, const char* s, int32_t) {
        d[0] = s[0];
        d[1] = s[1];
        return 2;
    });
    EXPECT_EQ(TextFromPointer(glib, "hello"), "he");
}

TEST(JoinPath, StripsOneLeadingBackslashOnly) {
    testsupport::MockGlib glib;
    ON_CALL(glib, CopyText).WillByDefault(testsupport::copyTextLikeTheLibrary);
    EXPECT_CALL(glib, JoinPath(Eq("Models\\a"), Eq("F"))).WillOnce(Return("F\\Models\\a"));
    EXPECT_CALL(glib, JoinPath(Eq("\\\\server\\x"), Eq("F"))).WillOnce(Return("\\\\server\\x"));
    EXPECT_CALL(glib, CopyText).WillRepeatedly(testsupport::copyTextLikeTheLibrary);
    EXPECT_EQ(JoinPath(glib, "F", "\\Models\\a"), "F\\Models\\a");
    EXPECT_EQ(JoinPath(glib, "F", "\\\\server\\x"), "\\\\server\\x");
}

TEST(RunProgram, GivenArgumentsTheProgramTextIsNotSplit) {
    testsupport::MockGlib glib;
    testsupport::MockNam nam;
    testsupport::FakeScreen screen;
    testsupport::FakeClock clock;
    testsupport::FakeComponentFactory components;
    os::RealFileSystem files;
    Platform platform{glib, nam, screen, files, clock, components};
    EXPECT_CALL(glib, CopyText).WillRepeatedly(testsupport::copyTextLikeTheLibrary);
    EXPECT_CALL(glib, ResolvePath(Eq("Prod:\\Program\\My Tool.exe -x"), _, _))
        .WillOnce(Return("/p/Program\\My Tool.exe -x"));
    EXPECT_CALL(glib, RunProgram(Eq("/p/Program\\My Tool.exe -x"), Eq("/L"), _, _, 1, _, Eq("")))
        .WillOnce(Return(1));
    RunProgram(platform, "  Prod:\\Program\\My Tool.exe -x ", "/L");
    // The hourglass showed during the start and the pointer came back.
    EXPECT_EQ(screen.pointerHistory,
              (std::vector<ui::Pointer>{ui::Pointer::Hourglass, ui::Pointer::Default}));
}

TEST(RunProgram, WithoutArgumentsTheCommandLineIsSplit) {
    testsupport::MockGlib glib;
    testsupport::MockNam nam;
    testsupport::FakeScreen screen;
    testsupport::FakeClock clock;
    testsupport::FakeComponentFactory components;
    os::RealFileSystem files;
    Platform platform{glib, nam, screen, files, clock, components};
    EXPECT_CALL(glib, CopyText).WillRepeatedly(testsupport::copyTextLikeTheLibrary);
    EXPECT_CALL(glib, ResolvePath(_, _, _)).WillOnce(Return("Notepad.Exe readme.txt"));
    EXPECT_CALL(glib, RunProgram(Eq("Notepad.Exe"), Eq("readme.txt"), _, _, 1, _, _))
        .WillOnce(Return(1));
    RunProgram(platform, "Notepad.Exe readme.txt", "");
}

TEST(WaitSeconds, LastsAboutTheTimeAndKeepsEventsFlowing) {
    for (double seconds : {0.0, 1.0, 2.0, 3.0}) {
        ProgramFixture f(false);
        const auto start = f.clock.now();
        WaitSeconds(*f.platform, seconds);
        const double waited =
            std::chrono::duration<double>(f.clock.now() - start).count();
        EXPECT_GE(waited, seconds - 0.5) << seconds;
        EXPECT_LE(waited, seconds + 0.5 + 0.011) << seconds;
        EXPECT_GT(f.screen.eventRounds, 0);
    }
}

// Whatever part of a second the clock stands at: a wait from now lasts its time (within one
// 10 ms round), where the whole-second wait may end half a second either way.
TEST(WaitFromNow, LastsItsTimeFromTheStartAtAnyPartOfASecond) {
    for (int phase : {0, 100, 499, 501, 900, 990}) {
        ProgramFixture f(false);
        f.clock.advance(std::chrono::milliseconds(phase));
        const auto start = f.clock.now();
        WaitFromNow(*f.platform, 2);
        const double waited = std::chrono::duration<double>(f.clock.now() - start).count();
        EXPECT_GT(waited, 2.0) << phase;
        EXPECT_LE(waited, 2.011) << phase;
        EXPECT_GT(f.screen.eventRounds, 0);
    }
}

TEST(GetText, NumberedTextsOfTheDemoProduct) {
    ProgramFixture f;
    const std::string text = GetText(*f.glib, 830);
    EXPECT_FALSE(text.empty());
    EXPECT_EQ(GetText(*f.glib, 830), text);
    EXPECT_NE(GetText(*f.glib, 833).find("@PARTITION"), std::string::npos);
    EXPECT_EQ(GetText(*f.glib, 99999), "<text 99999>");
}

class FolderSelection : public ::testing::Test {
protected:
    FolderSelection() : f(false) {
        f.temp.write("proj/Modules.Dir", "");
        f.temp.write("proj/mod/Exists.Mod", "m\n");
        f.temp.write("proj/plain/readme.txt", "");
    }
    std::string setting(const std::string& key) {
        return ReadKvxmaticSetting(*f.glib, key, "<none>");
    }
    ProgramFixture f;
};

TEST_F(FolderSelection, NoFolderSelectsNothing) {
    EXPECT_FALSE(SelectModuleFolder(*f.platform, "", true));
    EXPECT_FALSE(SelectModuleFolder(*f.platform, "...", true));
    EXPECT_EQ(setting("CurrentModule"), "<none>");
    EXPECT_EQ(setting("CurrentProject"), "<none>");
}

TEST_F(FolderSelection, ModuleFolderSetsModuleAndProject) {
    const std::string module = f.temp / "proj/mod";
    EXPECT_TRUE(SelectModuleFolder(*f.platform, module, true));
    EXPECT_EQ(setting("CurrentModule"), module);
    EXPECT_EQ(setting("CurrentProject"), f.temp / "proj");
    // The other settings of the file survive the writes.
    EXPECT_EQ(setting("ProductDir"), f.productDir);
}

TEST_F(FolderSelection, FolderWithoutExistsModSetsOnlyTheProject) {
    EXPECT_FALSE(SelectModuleFolder(*f.platform, f.temp / "proj/plain", true));
    EXPECT_EQ(setting("CurrentModule"), "<none>");
    EXPECT_EQ(setting("CurrentProject"), f.temp / "proj");
}

TEST_F(FolderSelection, CurrentFolderFollowsUnlessKept) {
    const std::string before = f.files.currentDirectory();
    EXPECT_TRUE(SelectModuleFolder(*f.platform, f.temp / "proj/mod", false));
    EXPECT_EQ(f.files.currentDirectory(), f.temp / "proj/mod");
    f.files.changeDirectory(before);
}

}  // namespace
