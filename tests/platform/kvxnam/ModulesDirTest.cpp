#include <gtest/gtest.h>

#include <string>

#include "platform/kvxnam/ModulesDir.h"

namespace {

using kvxnam::parseModulesDir;

// A Modules.Dir image as the program writes it: header record, one record per module (name in
// code page 850), and the zero record.
std::string header(uint16_t recordLength = 74, uint16_t count = 1) {
    std::string r = "CODEFILE!\x1A";
    r += static_cast<char>(recordLength & 0xFF);
    r += static_cast<char>(recordLength >> 8);
    r += static_cast<char>(count & 0xFF);
    r += static_cast<char>(count >> 8);
    r.resize(recordLength, ' ');
    return r;
}

std::string record(const std::string& oemName, uint8_t pla, uint8_t ela, char flag = 1) {
    std::string r{flag, static_cast<char>(pla), static_cast<char>(ela)};
    r += oemName;
    r.resize(74, ' ');
    return r;
}

const std::string kEnd(74, '\0');

TEST(ModulesDir, ListsEachModuleRecordUntilTheZeroRecord) {
    const auto modules =
        parseModulesDir(header(74, 2) + record("Module1", 254, 30) + record("Boiler room", 12, 3) +
                        kEnd + record("AfterTheEnd", 1, 1));
    ASSERT_EQ(modules.size(), 2u);
    EXPECT_EQ(modules[0].name, u"Module1");
    EXPECT_EQ(modules[0].pla, 254);
    EXPECT_EQ(modules[0].ela, 30);
    EXPECT_EQ(modules[1].name, u"Boiler room");  // inner space kept, trailing ones not
    EXPECT_EQ(modules[1].pla, 12);
}

TEST(ModulesDir, MalformedFilesListNothingBeyondTheDamage) {
    const std::string good = header() + record("Module1", 254, 30) + kEnd;
    EXPECT_TRUE(parseModulesDir("").empty());
    EXPECT_TRUE(parseModulesDir(good.substr(0, 13)).empty());
    EXPECT_TRUE(parseModulesDir("CODEFILE?" + good.substr(9)).empty());
    EXPECT_TRUE(parseModulesDir("CODEFILE!\x1B" + good.substr(10)).empty());
    EXPECT_TRUE(parseModulesDir(header(0) + record("Module1", 1, 1)).empty());
    EXPECT_TRUE(parseModulesDir(header(60000) + record("Module1", 1, 1)).empty());

    // A record cut short may be half-written: left out. A missing terminator is not needed.
    EXPECT_TRUE(parseModulesDir(good.substr(0, 74 + 20)).empty());
    EXPECT_EQ(parseModulesDir(good.substr(0, 148)).size(), 1u);

    // Records that are not module records, or have no name, are passed over.
    const auto modules = parseModulesDir(header() + record("Odd", 1, 1, 7) + record("", 1, 1) +
                                         record("Module2", 2, 2));
    ASSERT_EQ(modules.size(), 1u);
    EXPECT_EQ(modules[0].name, u"Module2");
}

TEST(ModulesDir, NamesAreCodePage850AndCompareWithoutLetterCase) {
    // 0x94 is o-umlaut and 0x9A U-umlaut in code page 850.
    const auto modules = parseModulesDir(header() + record("K\x94hler\x9A", 5, 6) + kEnd);
    ASSERT_EQ(modules.size(), 1u);
    EXPECT_EQ(modules[0].name, u"K\u00f6hler\u00dc");
    EXPECT_EQ(kvxnam::foldModuleName(u"K\u00d6HLER\u00fc"),
              kvxnam::foldModuleName(modules[0].name));
    EXPECT_EQ(kvxnam::foldModuleName(u"MODULE1"), u"module1");
    EXPECT_NE(kvxnam::foldModuleName(u"\u00d7"), kvxnam::foldModuleName(u"\u00f7"));
}

TEST(ModulesDir, ALongNameFillsTheRecordAndAZeroByteEndsIt) {
    const std::string longName(71, 'M');
    auto modules = parseModulesDir(header() + record(longName, 1, 1) + kEnd);
    ASSERT_EQ(modules.size(), 1u);
    EXPECT_EQ(modules[0].name.size(), 71u);
    modules = parseModulesDir(header() + record(std::string("Mod\0junk", 8), 1, 1) + kEnd);
    ASSERT_EQ(modules.size(), 1u);
    EXPECT_EQ(modules[0].name, u"Mod");
}

}  // namespace
