#include <gtest/gtest.h>

#include "platform/kvxglib/PathText.h"

using namespace kvxglib;

TEST(PathText, JoinKeepsTheFolderSeparatorStyle) {
    EXPECT_EQ(joinPath("Programs.txt", "\\kvx\\Rev1"), "\\kvx\\Rev1\\Programs.txt");
    EXPECT_EQ(joinPath("2.4\\Programs.txt", "\\kvx\\Rev1\\"), "\\kvx\\Rev1\\2.4\\Programs.txt");
    EXPECT_EQ(joinPath("2.4\\Programs.txt", "/p/Application programs"),
              "/p/Application programs/2.4/Programs.txt");
    // A resolved folder followed by the program's own backslash part.
    EXPECT_EQ(joinPath("Programs.txt", "/p/Application programs\\KVX200"),
              "/p/Application programs/KVX200/Programs.txt");
    EXPECT_EQ(joinPath("Exists.Mod", "Module1"), "Module1/Exists.Mod");
    EXPECT_EQ(joinPath("Module1", ""), "Module1");
}

TEST(PathText, JoinLeavesAbsoluteNamesAlone) {
    EXPECT_EQ(joinPath("/abs/file", "/p"), "/abs/file");
    EXPECT_EQ(joinPath("\\\\server\\share", "/p"), "\\\\server\\share");
    EXPECT_EQ(joinPath("prod:\\Texts", "/p"), "prod:\\Texts");
    EXPECT_EQ(joinPath("\\Module1", "/p"), "/p/Module1");
}

TEST(PathText, ParentFolderWithBothSeparators) {
    EXPECT_EQ(parentFolder("KVX200\\Revisions.txt"), "KVX200");
    EXPECT_EQ(parentFolder("/p/a/b.txt"), "/p/a");
    EXPECT_EQ(parentFolder("/p/a\\b\\"), "/p/a");
    EXPECT_EQ(parentFolder("/p/a\\\\b"), "/p/a");
    EXPECT_EQ(parentFolder("/p"), "/");
    EXPECT_EQ(parentFolder("\\kvx"), "\\");
    EXPECT_EQ(parentFolder("Prod:\\Texts"), "Prod:\\");
    EXPECT_EQ(parentFolder("Revisions.txt"), "");
    EXPECT_EQ(parentFolder(""), "");
}

TEST(PathText, LastNameWithBothSeparators) {
    EXPECT_EQ(lastPathName("/p/Application programs\\KVX200\\Module1"), "Module1");
    EXPECT_EQ(lastPathName("a/b\\c/"), "c");
    EXPECT_EQ(lastPathName("Module1"), "Module1");
    EXPECT_EQ(lastPathName("/"), "");
    EXPECT_EQ(lastPathName(""), "");
}
