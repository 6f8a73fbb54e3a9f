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
