#include <sys/stat.h>
#include <unistd.h>

#include "LibraryFixture.h"
#include "platform/kvxglib/SectionedFile.h"

using kvxglib::SectionedFile;

namespace {

struct Walked {
    std::vector<std::string> sections;
    std::vector<std::vector<std::pair<std::string, std::string>>> entries;
};

Walked walk(kvxglib::Library& lib, int32_t handle) {
    Walked w;
    std::string name, second, key, value, third;
    int32_t status = 0;
    while (const int32_t cursor = lib.NextSection(handle, name, second, status)) {
        w.sections.push_back(name);
        w.entries.emplace_back();
        while (lib.NextEntry(cursor, key, value, third, status) != 0) {
            w.entries.back().emplace_back(key, value);
        }
    }
    return w;
}

}  // namespace

TEST(SectionedFile, SectionsAndEntriesInFileOrderWithRepeatsKept) {
    const auto file = SectionedFile::parse(
        "lead=1\n"
        "; a comment\n"
        "# another\n"
        "[Revision]\n"
        "  Revision  =  2.4  \n"
        "Programs=2.4\\Programs.txt\n"
        "[Empty]\n"
        "[Revision]\r\n"
        "Revision=2.5\r\n"
        "Note=a;b # not a comment\r\n"
        "\n"
        "Long=" +
        std::string(5000, 'x') + "\n");
    ASSERT_TRUE(file);
    const auto& s = file->sections();
    ASSERT_EQ(s.size(), 4u);
    EXPECT_TRUE(s[0].lead);
    EXPECT_EQ(s[1].name, "Revision");
    EXPECT_EQ(s[2].name, "Empty");
    EXPECT_TRUE(s[2].entries.empty());
    EXPECT_EQ(s[3].name, "Revision");
    ASSERT_EQ(s[1].entries.size(), 2u);
    EXPECT_EQ(s[1].entries[0].key, "Revision");
    EXPECT_EQ(s[1].entries[0].value, "2.4");
    EXPECT_EQ(s[1].entries[1].value, "2.4\\Programs.txt");
    ASSERT_EQ(s[3].entries.size(), 3u);
    EXPECT_EQ(s[3].entries[1].value, "a;b # not a comment");
    EXPECT_EQ(s[3].entries[2].value.size(), 5000u);
    // Keys are compared exactly; the first section holding the key wins.
    EXPECT_EQ(*file->find("Revision", "Revision"), "2.4");
    EXPECT_EQ(file->find("Revision", "revision"), nullptr);
    EXPECT_EQ(file->find("revision", "Revision"), nullptr);
    EXPECT_EQ(*file->find("Revision", "Note"), "a;b # not a comment");
}

TEST(SectionedFile, MalformedTextDoesNotParse) {
    EXPECT_FALSE(SectionedFile::parse("[Good]\nkey=1\nno equals sign here\n"));
    EXPECT_FALSE(SectionedFile::parse("[Unclosed\nkey=1\n"));
    EXPECT_FALSE(SectionedFile::parse(std::string("[A]\nkey=a\0b\n", 12)));
    EXPECT_FALSE(SectionedFile::parse("[A]\nkey=" + std::string(70000, 'y') + "\n"));
    EXPECT_TRUE(SectionedFile::parse(""));
    EXPECT_TRUE(SectionedFile::parse("\xEF\xBB\xBF[A]\nk=v"));
}

TEST_F(LibraryTest, OpenWalkFindAndClose) {
    temp.write("Product/r.txt",
               "x=lead\n[Revision]\nRevision=2.4\nCurrent=Yes\n[Revision]\nRevision=2.5\n");
    int32_t handle = 0, other = 0, status = 0;
    ASSERT_EQ(lib.OpenSectionedFile("Prod:\\r.txt", handle, 0, 0, status, ""), -1);
    ASSERT_EQ(lib.OpenSectionedFile("Prod:\\r.txt", other, 0, 0, status, ""), -1);
    EXPECT_GT(handle, 0);
    EXPECT_NE(other, handle);

    const Walked w = walk(lib, handle);
    ASSERT_EQ(w.sections, (std::vector<std::string>{"Revision", "Revision"}));
    EXPECT_EQ(w.entries[0].size(), 2u);
    EXPECT_EQ(w.entries[1][0].second, "2.5");

    std::string text, key, value, third;
    const int32_t found = lib.FindSection(other, "Revision", text, status, 0);
    ASSERT_NE(found, 0);
    ASSERT_NE(lib.NextEntry(found, key, value, third, status), 0);
    EXPECT_EQ(value, "2.4");
    EXPECT_EQ(lib.FindSection(other, "Missing", text, status, 0), 0);

    lib.CloseSectionedFile(handle);
    EXPECT_EQ(handle, 0);
    EXPECT_NE(lib.NextEntry(found, key, value, third, status), 0);  // its file is still open
    lib.CloseSectionedFile(other);
    EXPECT_EQ(lib.NextEntry(found, key, value, third, status), 0);
    std::string name, second;
    EXPECT_EQ(lib.NextSection(other, name, second, status), 0);
}

TEST_F(LibraryTest, FilesThatCannotBeReadOrParsedDoNotOpen) {
    temp.write("Product/bad.txt", "[Program]\nName=half\ngarbage line\n");
    temp.write("Product/locked.txt", "[A]\nk=v\n");
    chmod((temp / "Product/locked.txt").c_str(), 0);
    int32_t handle = 5, status = 0;
    EXPECT_EQ(lib.OpenSectionedFile("Prod:\\bad.txt", handle, 0, 0, status, ""), 0);
    EXPECT_EQ(handle, 0);
    EXPECT_EQ(lib.OpenSectionedFile("Prod:\\missing.txt", handle, 0, 0, status, ""), 0);
    EXPECT_EQ(lib.OpenSectionedFile("", handle, 0, 0, status, ""), 0);
    EXPECT_EQ(lib.OpenSectionedFile("Prod:\\Texts", handle, 0, 0, status, ""), 0);  // a folder
    if (geteuid() != 0) {  // root reads anything
        EXPECT_EQ(lib.OpenSectionedFile("Prod:\\locked.txt", handle, 0, 0, status, ""), 0);
    }
    EXPECT_EQ(handle, 0);
}
