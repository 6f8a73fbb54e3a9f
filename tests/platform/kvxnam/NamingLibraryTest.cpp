#include <gtest/gtest.h>

#include "platform/kvxnam/RealLibrary.h"
#include "platform/text/Text.h"
#include "support/TempFolder.h"

namespace {

int32_t open(kvxnam::RealLibrary& lib, const std::string& folder, int32_t& handle) {
    int32_t out1 = 0, out2 = 0;
    return lib.OpenProject(text::toWide(folder), handle, 0, out1, 0, 0, out2, u"");
}

}  // namespace

TEST(NamingLibrary, ProjectsOpenOnExistingFoldersOnly) {
    testsupport::TempFolder temp;
    temp.write("Application Programs/KVX200/2.4/Modules.Dir", "");
    temp.write("file.txt", "");
    kvxnam::RealLibrary lib;

    int32_t first = 0, second = 0, bad = 9;
    EXPECT_EQ(open(lib, temp / "application programs\\kvx200\\2.4", first), -1);
    EXPECT_EQ(open(lib, temp / "Application Programs/KVX200", second), -1);
    EXPECT_GT(first, 0);
    EXPECT_GT(second, 0);
    EXPECT_NE(first, second);
    EXPECT_EQ(lib.projectFolder(first), temp / "Application Programs/KVX200/2.4");

    EXPECT_EQ(open(lib, temp / "missing", bad), 0);
    EXPECT_EQ(bad, 0);
    EXPECT_EQ(open(lib, temp / "file.txt", bad), 0);
    EXPECT_EQ(open(lib, "", bad), 0);
    EXPECT_EQ(bad, 0);

    lib.SelectModule(first, "Module1", 0);
    EXPECT_EQ(lib.selectedModule(first), "Module1");
    EXPECT_EQ(lib.selectedModule(second), "");
    EXPECT_EQ(lib.SelectModule(77, "Module1", 0), 0);

    int32_t copy = first;
    lib.CloseProject(copy);
    EXPECT_EQ(copy, 0);
    EXPECT_FALSE(lib.projectFolder(first));
    EXPECT_EQ(lib.openCount(), 1u);
    int32_t again = 0;
    EXPECT_EQ(open(lib, temp.path(), again), -1);
    EXPECT_EQ(again, first);  // the freed small handle is used again
}

TEST(NamingLibrary, NameLookupOnAHandleNeverOpenedFails) {
    kvxnam::RealLibrary lib;
    int32_t a = 0, b = 0, index = 0, type = 0, kind = 0, extra = 0;
    int16_t file = 0;
    EXPECT_EQ(lib.LookupName(1, u"M1.QSystem.PLA", a, b, file, index, type, kind, 0, extra), 0);
}
