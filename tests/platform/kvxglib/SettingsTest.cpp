#include <filesystem>

#include "LibraryFixture.h"
#include "platform/kvxglib/AtomicFile.h"
#include "platform/kvxglib/SettingsEdit.h"
#include "support/SmallDisk.h"

using kvxglib::setSettingInText;

TEST(SettingsEdit, ChangesOnlyTheKeyLine) {
    const std::string before =
        "; machine settings\r\n[Kvxmatic]\r\nProductDir = ../product\r\n# keep\r\n"
        "CurrentModule=old\r\n\r\n[Link]\r\nCurrentModule=other\r\n";
    EXPECT_EQ(*setSettingInText(before, "Kvxmatic", "CurrentModule", "/p/Module1"),
              "; machine settings\r\n[Kvxmatic]\r\nProductDir = ../product\r\n# keep\r\n"
              "CurrentModule=/p/Module1\r\n\r\n[Link]\r\nCurrentModule=other\r\n");
    EXPECT_EQ(*setSettingInText(before, "Kvxmatic", "ProductDir", "x;y"),
              "; machine settings\r\n[Kvxmatic]\r\nProductDir = x;y\r\n# keep\r\n"
              "CurrentModule=old\r\n\r\n[Link]\r\nCurrentModule=other\r\n");
}

TEST(SettingsEdit, AddsMissingKeysAndSections) {
    EXPECT_EQ(*setSettingInText("[A]\na=1\n\n[B]\nb=2", "A", "c", "3"),
              "[A]\na=1\nc=3\n\n[B]\nb=2");
    EXPECT_EQ(*setSettingInText("[A]\na=1\n\n[B]\nb=2", "B", "c", "3"),
              "[A]\na=1\n\n[B]\nb=2\nc=3\n");
    EXPECT_EQ(*setSettingInText("[A]\na=1\n", "Module", "PLA", "12"),
              "[A]\na=1\n\n[Module]\nPLA=12\n");
    EXPECT_EQ(*setSettingInText("", "Module", "PLA", "12"), "[Module]\nPLA=12\n");
    // Entries before any section are not in a named section.
    EXPECT_EQ(*setSettingInText("PLA=1\n", "Module", "PLA", "12"), "PLA=1\n\n[Module]\nPLA=12\n");
    // A key found only in a repeated section is changed there.
    EXPECT_EQ(*setSettingInText("[A]\na=1\n[A]\nb=2\n", "A", "b", "5"), "[A]\na=1\n[A]\nb=5\n");
}

TEST(SettingsEdit, RefusesWhatCouldNotBeReadBack) {
    EXPECT_FALSE(setSettingInText("", "A", "k", "two\nlines"));
    EXPECT_FALSE(setSettingInText("", "A", "k=x", "v"));
    EXPECT_FALSE(setSettingInText("", "A", ";k", "v"));
    EXPECT_FALSE(setSettingInText("", "A", "", "v"));
    EXPECT_FALSE(setSettingInText("", "A]", "k", "v"));
}

TEST_F(LibraryTest, WritesKeepTheOtherLinesAndLeaveNoTemporaryFile) {
    const std::string original = "; machine\n[Kvxmatic]\nProductDir=../Product\n\n[Link]\nPort=\n";
    temp.write("machine/Kvxmatic.Ini", original);
    EXPECT_NE(lib.WriteSettingText("Kvxmatic.Ini", "Kvxmatic", "CurrentModule", "/p/M1",
                                   static_cast<int32_t>(0x80000000)),
              0);
    EXPECT_NE(lib.WriteSettingNumber("Machine:\\kvxmatic.ini", "Link", "Baud", 115200, 0), 0);
    EXPECT_EQ(temp.read("machine/Kvxmatic.Ini"),
              "; machine\n[Kvxmatic]\nProductDir=../Product\nCurrentModule=/p/M1\n\n[Link]\nPort=\n"
              "Baud=115200\n");
    EXPECT_STREQ(lib.ReadSetting("Machine:\\Kvxmatic.Ini", "Kvxmatic", "CurrentModule", "-"),
                 "/p/M1");
    EXPECT_STREQ(lib.ReadSetting("Kvxmatic.Ini", "Link", "Baud", "-"), "115200");
    EXPECT_STREQ(lib.ReadSetting("Kvxmatic.Ini", "Link", "Missing", "dflt"), "dflt");
    EXPECT_STREQ(lib.ReadSetting("Kvxmatic.Ini", "Nope", "Baud", "dflt"), "dflt");
    EXPECT_STREQ(lib.ReadSetting("Prod:\\none.ini", "Link", "Baud", "dflt"), "dflt");

    size_t count = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(machine())) ++count;
    EXPECT_EQ(count, 1u);
}

TEST_F(LibraryTest, WriteCreatesAMissingFileButNotAMissingFolder) {
    EXPECT_NE(lib.WriteSettingNumber("Prod:\\Modules.Kvx", "Module", "PLA", 12, 0), 0);
    EXPECT_EQ(temp.read("Product/Modules.Kvx"), "[Module]\nPLA=12\n");
    EXPECT_EQ(lib.WriteSettingNumber("Prod:\\NoSuchFolder\\Modules.Kvx", "Module", "PLA", 12, 0),
              0);
}

TEST_F(LibraryTest, ReadOnlyFolderFailsTheWriteAndKeepsTheOldFile) {
    // A read-only mount: a folder's permissions would not stop a test run as root.
    testsupport::SmallDisk disk(temp / "Product/Mod", 64 * 1024);
    if (!disk.mounted()) GTEST_SKIP() << disk.why();
    temp.write("Product/Mod/Modules.Kvx", "[Module]\nPLA=1\n");
    ASSERT_TRUE(disk.makeReadOnly());
    EXPECT_EQ(lib.WriteSettingNumber("Prod:\\Mod\\Modules.Kvx", "Module", "PLA", 12, 0), 0);
    EXPECT_EQ(temp.read("Product/Mod/Modules.Kvx"), "[Module]\nPLA=1\n");
    size_t count = 0;
    for ([[maybe_unused]] const auto& e :
         std::filesystem::directory_iterator(temp / "Product/Mod")) {
        ++count;
    }
    EXPECT_EQ(count, 1u);
}

TEST(AtomicFile, AFailedReplaceLeavesTheTargetAndNoTemporary) {
    testsupport::TempFolder temp;
    temp.write("target/inside", "keep");  // a non-empty folder cannot be replaced by a file
    EXPECT_FALSE(kvxglib::writeFileAtomically(temp / "target", "new"));
    EXPECT_EQ(temp.read("target/inside"), "keep");
    size_t count = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(temp.path())) ++count;
    EXPECT_EQ(count, 1u);
    EXPECT_FALSE(kvxglib::writeFileAtomically(temp / "missing/file", "new"));
}

TEST(Settings, AFreshMachineFolderIsMadeForTheFirstWrite) {
    testsupport::TempFolder temp;
    testsupport::ScriptedMessageBoxes boxes;
    kvxglib::RealLibrary lib{boxes, temp / "config/krelvan"};
    EXPECT_NE(lib.WriteSettingText("Kvxmatic.Ini", "Kvxmatic", "CurrentProject", "/p",
                                   static_cast<int32_t>(0x80000000)),
              0);
    EXPECT_EQ(temp.read("config/krelvan/Kvxmatic.Ini"), "[Kvxmatic]\nCurrentProject=/p\n");
}
