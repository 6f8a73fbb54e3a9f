#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/kvxnam/RealLibrary.h"
#include "platform/text/Text.h"
#include "support/TempFolder.h"

namespace {

struct Lookup {
    int32_t result = 0;
    int32_t ignored1 = 7, ignored2 = 7, index = 7, type = 7, kind = 7, extra = 7;
    int16_t file = 7;
};

Lookup lookup(kvxnam::RealLibrary& lib, int32_t handle, const std::u16string& name) {
    Lookup l;
    l.result = lib.LookupName(handle, name, l.ignored1, l.ignored2, l.file, l.index, l.type, l.kind,
                              0, l.extra);
    return l;
}

int32_t open(kvxnam::RealLibrary& lib, const std::string& folder) {
    int32_t handle = 0, out1 = 0, out2 = 0;
    EXPECT_EQ(lib.OpenProject(text::toWide(folder), handle, 0, out1, 0, 0, out2, u""), -1);
    return handle;
}

std::string modulesDir(const std::string& oemName, uint8_t pla = 254, uint8_t ela = 30) {
    std::string bytes = "CODEFILE!\x1A\x4A";
    bytes += '\0';
    bytes += '\x01';
    bytes += '\0';
    bytes.resize(74, ' ');
    std::string record{'\x01', static_cast<char>(pla), static_cast<char>(ela)};
    record += oemName;
    record.resize(74, ' ');
    return bytes + record + std::string(74, '\0');
}

void expectUntouched(const Lookup& l) {
    EXPECT_EQ(l.result, 0);
    EXPECT_EQ(l.file, 7);
    EXPECT_EQ(l.index, 7);
    EXPECT_EQ(l.type, 7);
    EXPECT_EQ(l.kind, 7);
    EXPECT_EQ(l.ignored1, 7);
    EXPECT_EQ(l.extra, 7);
}

TEST(NameLookup, EveryDemoRevisionResolvesItsModulesVariables) {
    testsupport::TempFolder temp;
    temp.copyDemo();
    const std::filesystem::path programs = temp / "demo/product/Application programs";
    int revisions = 0;
    for (const auto& model : std::filesystem::directory_iterator(programs)) {
        if (!model.is_directory()) continue;
        for (const auto& revision : std::filesystem::directory_iterator(model.path())) {
            if (!std::filesystem::exists(revision.path() / "Modules.Dir")) continue;
            ++revisions;
            kvxnam::RealLibrary lib;
            const int32_t handle = open(lib, revision.path().string());
            const Lookup pla = lookup(lib, handle, u"Module1.QSystem.PLA");
            EXPECT_NE(pla.result, 0) << revision.path();
            EXPECT_EQ(pla.file, 241);
            EXPECT_EQ(pla.index, 0);
            EXPECT_EQ(pla.type, 2);
            EXPECT_EQ(pla.kind, 1);
            EXPECT_EQ(pla.ignored1, 254);  // the module's address from Modules.Dir
            EXPECT_EQ(pla.ignored2, 30);

            const Lookup name = lookup(lib, handle, u"module1.QSYSTEM.controllername");
            EXPECT_NE(name.result, 0);
            EXPECT_EQ(name.file, 241);
            EXPECT_EQ(name.index, 63);
            EXPECT_EQ(name.type, 5);
            EXPECT_GT(name.extra, 0);  // a text's longest length

            const Lookup commit = lookup(lib, handle, u"Module1.Qservices.BACnetCommitSettings");
            EXPECT_NE(commit.result, 0);
            EXPECT_EQ(commit.file, 242);
            EXPECT_EQ(commit.type, 1);
        }
    }
    EXPECT_GE(revisions, 7);
}

TEST(NameLookup, FailsWithoutAProjectAModuleOrAName) {
    testsupport::TempFolder temp;
    temp.write("Modules.Dir", modulesDir("Module1"));
    kvxnam::RealLibrary lib;
    const int32_t handle = open(lib, temp.path());
    ASSERT_NE(lookup(lib, handle, u"Module1.QSystem.PLA").result, 0);

    expectUntouched(lookup(lib, 0, u"Module1.QSystem.PLA"));
    expectUntouched(lookup(lib, handle + 1, u"Module1.QSystem.PLA"));
    for (const char16_t* bad : {u"Module2.QSystem.PLA", u"Module.QSystem.PLA", u"QSystem.PLA",
                                u"Module1.QSystem.Nope", u"Module1.QSystem.", u"Module1..PLA",
                                u".QSystem.PLA", u"", u"Module1.PLA", u"Module1 .QSystem.PLA"}) {
        SCOPED_TRACE(text::fromWide(bad));
        expectUntouched(lookup(lib, handle, bad));
    }

    int32_t copy = handle;
    lib.CloseProject(copy);
    expectUntouched(lookup(lib, handle, u"Module1.QSystem.PLA"));
}

TEST(NameLookup, FollowsModulesDirWhenItChangesOrBreaks) {
    testsupport::TempFolder temp;
    kvxnam::RealLibrary lib;
    const int32_t handle = open(lib, temp.path());
    // No Modules.Dir yet: the project lists no module.
    expectUntouched(lookup(lib, handle, u"Module1.QSystem.PLA"));

    temp.write("Modules.Dir", modulesDir("Module1"));
    EXPECT_NE(lookup(lib, handle, u"Module1.QSystem.PLA").result, 0);

    temp.write("Modules.Dir", modulesDir("Pump.Station 2", 12, 3));
    expectUntouched(lookup(lib, handle, u"Module1.QSystem.PLA"));
    const Lookup dotted = lookup(lib, handle, u"pump.station 2.QSystem.ELA");
    EXPECT_NE(dotted.result, 0);
    EXPECT_EQ(dotted.index, 1);
    EXPECT_EQ(dotted.ignored1, 12);

    // 0x8E is A-umlaut in code page 850: the lookup names it in any letter case.
    temp.write("Modules.Dir", modulesDir("\x8Erzte"));
    EXPECT_NE(lookup(lib, handle, u"\u00e4RZTE.QCom.ConfIP").result, 0);

    temp.write("Modules.Dir", modulesDir("Module1").substr(0, 100));
    expectUntouched(lookup(lib, handle, u"Module1.QSystem.PLA"));
    std::filesystem::remove(temp / "Modules.Dir");
    expectUntouched(lookup(lib, handle, u"Module1.QSystem.PLA"));
}

TEST(NameLookup, FindsModulesDirWhateverItsLetterCase) {
    testsupport::TempFolder temp;
    temp.write("MODULES.DIR", modulesDir("Module1"));
    kvxnam::RealLibrary lib;
    EXPECT_NE(lookup(lib, open(lib, temp.path()), u"Module1.QSystem.PLA").result, 0);
}

}  // namespace

namespace {

TEST(NameLookup, SeesARewriteThatKeepsSizeAndTimeOfTheFile) {
    // Two writes within the file system's time resolution leave the same size and time.
    testsupport::TempFolder temp;
    const std::filesystem::path file = temp / "Modules.Dir";
    temp.write("Modules.Dir", modulesDir("Module1"));
    const auto written = std::filesystem::last_write_time(file);
    kvxnam::RealLibrary lib;
    const int32_t handle = open(lib, temp.path());
    ASSERT_NE(lookup(lib, handle, u"Module1.QSystem.PLA").result, 0);

    temp.write("Modules.Dir", modulesDir("Module2"));
    std::filesystem::last_write_time(file, written);
    EXPECT_NE(lookup(lib, handle, u"Module2.QSystem.PLA").result, 0);
    expectUntouched(lookup(lib, handle, u"Module1.QSystem.PLA"));
}

}  // namespace
