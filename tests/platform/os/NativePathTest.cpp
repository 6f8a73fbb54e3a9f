#include <gtest/gtest.h>

#include "platform/os/NativePath.h"
#include "support/TempFolder.h"

TEST(NativePath, FindsEachNameIgnoringLetterCase) {
    testsupport::TempFolder temp;
    temp.write("Application Programs/KVX200/Revisions.txt", "");
    EXPECT_EQ(os::toNativePath(temp / "application programs\\kvx200\\REVISIONS.TXT"),
              temp / "Application Programs/KVX200/Revisions.txt");
    // A missing name keeps its spelling; the rest is still found.
    EXPECT_EQ(os::toNativePath(temp / "APPLICATION PROGRAMS/New.txt"),
              temp / "Application Programs/New.txt");
    EXPECT_EQ(os::toNativePath(temp / "application programs\\"), temp / "Application Programs/");
    EXPECT_EQ(os::toNativePath("relative\\name"), "relative/name");
}

TEST(NativePath, SeparatorsAndCaseHelpers) {
    EXPECT_EQ(os::normaliseSeparators("a\\\\b//c\\"), "a/b/c/");
    EXPECT_TRUE(os::equalsIgnoreCase("Exists.Mod", "EXISTS.MOD"));
    EXPECT_FALSE(os::equalsIgnoreCase("Exists.Mod", "Exists.Mo"));
    EXPECT_TRUE(os::lessIgnoreCase("a2", "B"));
    EXPECT_TRUE(os::lessIgnoreCase("A", "a"));  // equal ignoring case: a fixed tie-break
    EXPECT_FALSE(os::lessIgnoreCase("a", "A"));
}
