#include <gtest/gtest.h>

#include "platform/os/FileSystem.h"
#include "support/TempFolder.h"

using Names = std::vector<std::string>;

TEST(RealFileSystem, ListsFilesInCaseInsensitiveOrderWithoutFolders) {
    testsupport::TempFolder temp;
    for (const char* name : {"b.mdl", "A.mdl", "c.MDL", "a2.txt", "README", ".hidden"}) {
        temp.write(std::string("Cat/Models/") + name, "x");
    }
    temp.write("Cat/Models/Folder.mdl/inside", "x");
    os::RealFileSystem files;
    EXPECT_EQ(files.listFiles(temp / "Cat\\Models\\*.*"),
              (Names{"A.mdl", "a2.txt", "b.mdl", "c.MDL", "README"}));
    EXPECT_EQ(files.listFiles(temp / "cat/MODELS/*.mdl"), (Names{"A.mdl", "b.mdl", "c.MDL"}));
    EXPECT_EQ(files.listFiles(temp / "Cat/Missing/*.*"), Names{});
    // A prefix with ".*" also finds a name without an extension.
    EXPECT_EQ(files.listFiles(temp / "Cat/Models/REA*.*"), Names{"README"});
    EXPECT_EQ(files.listFiles(temp / "Cat/Models/a*.*"), (Names{"A.mdl", "a2.txt"}));
}

TEST(RealFileSystem, ChangesTheCurrentFolderCaseInsensitively) {
    testsupport::TempFolder temp;
    temp.write("Project/Module1/Exists.Mod", "");
    os::RealFileSystem files;
    const std::string saved = files.currentDirectory();
    EXPECT_TRUE(files.changeDirectory(temp / "project\\MODULE1"));
    EXPECT_EQ(files.currentDirectory(), temp / "Project/Module1");
    EXPECT_FALSE(files.changeDirectory(temp / "nowhere"));
    EXPECT_TRUE(files.changeDirectory(saved));
}

using Step = os::FileFailure::Step;

TEST(RealFileSystem, WholeFilesRoundTripThroughCaseInsensitivePaths) {
    testsupport::TempFolder temp;
    temp.write("Project/Module1/Exists.Mod", "old content that is longer\n");
    os::RealFileSystem files;
    os::FileFailure failure;
    const std::string bytes("Module1\r\n\x00\xFF\n", 12);
    ASSERT_TRUE(files.writeFile(temp / "project\\MODULE1\\exists.mod", bytes, failure));
    EXPECT_EQ(temp.read("Project/Module1/Exists.Mod"), bytes);  // replaced, not appended
    EXPECT_EQ(files.readFile(temp / "PROJECT/module1/Exists.Mod", failure), bytes);

    ASSERT_TRUE(files.writeFile(temp / "Project/Empty", "", failure));
    EXPECT_EQ(files.readFile(temp / "Project/Empty", failure), "");
}

TEST(RealFileSystem, WholeFileFailuresNameTheStepAndTheReason) {
    testsupport::TempFolder temp;
    temp.write("Project/Folder/inside", "x");
    os::RealFileSystem files;

    os::FileFailure failure;
    EXPECT_EQ(files.readFile(temp / "Project/Missing.Mod", failure), std::nullopt);
    EXPECT_EQ(failure.step, Step::Open);
    EXPECT_EQ(failure.reason, "No such file or directory");

    failure = {};
    EXPECT_EQ(files.readFile(temp / "Project/Folder", failure), std::nullopt);
    EXPECT_EQ(failure.step, Step::Read);
    EXPECT_EQ(failure.reason, "Is a directory");

    failure = {};
    EXPECT_FALSE(files.writeFile(temp / "Nowhere/New.Mod", "x", failure));
    EXPECT_EQ(failure.step, Step::Open);
    EXPECT_EQ(failure.reason, "No such file or directory");
}

TEST(RealFileSystem, RecordFilesKeepTheirContentAndReadShortAtTheEnd) {
    testsupport::TempFolder temp;
    temp.write("Project/Modules.Dir", "0123456789");
    os::RealFileSystem files;
    os::FileFailure failure;

    auto file = files.openReadWrite(temp / "PROJECT/modules.dir", failure);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->readAt(2, 3), "234");
    EXPECT_EQ(file->readAt(8, 5), "89");
    EXPECT_EQ(file->readAt(10, 5), "");
    EXPECT_EQ(file->readAt(1000, 5), "");
    ASSERT_TRUE(file->writeAt(4, "ab", failure));
    ASSERT_TRUE(file->writeAt(12, "cd", failure));  // past the end: the gap reads as zero bytes
    EXPECT_EQ(file->readAt(0, 20), std::string("0123ab6789\0\0cd", 14));
    ASSERT_TRUE(file->close(failure));
    EXPECT_FALSE(file->close(failure));  // closing twice is a failure, not a crash
    EXPECT_FALSE(file->writeAt(0, "x", failure));
    EXPECT_EQ(file->readAt(0, 4), "");
    EXPECT_EQ(temp.read("Project/Modules.Dir"), std::string("0123ab6789\0\0cd", 14));

    auto created = files.openReadWrite(temp / "Project/New.Dir", failure);
    ASSERT_NE(created, nullptr);
    EXPECT_EQ(created->readAt(0, 4), "");
    ASSERT_TRUE(created->close(failure));
    EXPECT_EQ(temp.read("Project/New.Dir"), "");
}

TEST(RealFileSystem, ARecordFileInAMissingFolderIsNotOpened) {
    testsupport::TempFolder temp;
    os::RealFileSystem files;
    os::FileFailure failure;
    EXPECT_EQ(files.openReadWrite(temp / "Nowhere/Modules.Dir", failure), nullptr);
    EXPECT_EQ(failure.step, Step::Open);
    EXPECT_EQ(failure.reason, "No such file or directory");
}
