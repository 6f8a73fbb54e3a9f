#include <filesystem>

#include "LibraryFixture.h"

namespace {
const std::string TextsFile = "Prod:\\Texts\\Krelvan WEB";

std::string text(kvxglib::RealLibrary& lib, int32_t number, int32_t* status = nullptr) {
    int32_t s = 0;
    std::string t = lib.GetText(TextsFile, number, 0, s);
    if (status != nullptr) *status = s;
    return t;
}
}  // namespace

TEST_F(LibraryTest, TextsByNumberWithPlaceholderForMissingOnes) {
    temp.write("Product/Texts/Krelvan WEB.txt",
               "; texts\n[Texts]\n830=No controller answers.\n833=Loaded into partition "
               "@PARTITION.\n900=Line one\\nLine two\\\\x\n901=Größe; ok\n[Other]\n902=no\n");
    int32_t status = 9;
    EXPECT_EQ(text(lib, 830, &status), "No controller answers.");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(text(lib, 833), "Loaded into partition @PARTITION.");
    EXPECT_EQ(text(lib, 900), "Line one\nLine two\\x");
    EXPECT_EQ(text(lib, 901), "Größe; ok");
    EXPECT_EQ(text(lib, 902, &status), "<text 902>");
    EXPECT_NE(status, 0);
    EXPECT_EQ(text(lib, 1234), "<text 1234>");
    EXPECT_EQ(text(lib, 830), text(lib, 830));
}

TEST_F(LibraryTest, TextsFileChangesAreSeenAndAMissingFileGivesPlaceholders) {
    EXPECT_EQ(text(lib, 830), "<text 830>");
    temp.write("Product/Texts/Krelvan WEB.txt", "[Texts]\n830=First\n");
    EXPECT_EQ(text(lib, 830), "First");
    temp.write("Product/Texts/Krelvan WEB.txt.new", "[Texts]\n830=Second wording\n");
    std::filesystem::rename(temp / "Product/Texts/Krelvan WEB.txt.new",
                            temp / "Product/Texts/Krelvan WEB.txt");
    EXPECT_EQ(text(lib, 830), "Second wording");
    temp.write("Product/Texts/Krelvan WEB.txt", "[Texts]\nbroken line\n");
    EXPECT_EQ(text(lib, 830), "<text 830>");
}

TEST_F(LibraryTest, TheDemoTextsFileHasTheNumbersInUse) {
    testsupport::TempFolder demo;
    kvxglib::RealLibrary demoLib{boxes, demo.copyDemo(), launcher};
    int32_t status = 0;
    for (int32_t number : {256, 257, 330, 635, 644, 830, 831, 833, 4552, 4558}) {
        const std::string t = demoLib.GetText(TextsFile, number, 0, status);
        EXPECT_EQ(status, 0) << number;
        EXPECT_NE(t.rfind("<text", 0), 0u) << t;
    }
}

TEST_F(LibraryTest, CopyTextCopiesAtMostTheLength) {
    char buffer[8] = "xxxxxxx";
    EXPECT_EQ(lib.CopyText(buffer, "abc", 8), 3);
    EXPECT_STREQ(buffer, "abc");
    EXPECT_EQ(lib.CopyText(buffer, "abcdefghij", 4), 4);
    EXPECT_EQ(std::string(buffer, 4), "abcd");
    EXPECT_EQ(lib.CopyText(buffer, "abc", 0), 0);
    EXPECT_EQ(lib.CopyText(nullptr, "abc", 3), 0);
}
