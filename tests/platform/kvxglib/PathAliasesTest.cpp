#include <cstdlib>

#include "LibraryFixture.h"
#include "platform/kvxglib/MachineConfig.h"
#include "platform/kvxglib/PathAliases.h"

namespace {

std::string resolve(kvxglib::RealLibrary& lib, const std::string& path) {
    int32_t out = 7;
    return lib.ResolvePath(path, 0x80000001, out);
}

}  // namespace

TEST_F(LibraryTest, AliasesInAnyLetterCaseWithEitherSeparator) {
    EXPECT_EQ(resolve(lib, "Prod:\\Application programs"), product() + "/Application programs");
    EXPECT_EQ(resolve(lib, "PROD:/Texts\\Krelvan WEB"), product() + "/Texts/Krelvan WEB");
    EXPECT_EQ(resolve(lib, "prod:\\Documentation\\English\\"),
              product() + "/Documentation/English/");
    EXPECT_EQ(resolve(lib, "machine:\\Kvxmatic.Ini"), machine() + "/Kvxmatic.Ini");
    EXPECT_EQ(resolve(lib, "SLIB:\\X.mdd"), product() + "/SLib/X.mdd");
    EXPECT_EQ(resolve(lib, "Prod:"), product());
    // Not aliases: passed through unchanged.
    EXPECT_EQ(resolve(lib, "\\kvx\\Program"), "\\kvx\\Program");
    EXPECT_EQ(resolve(lib, "Production:\\x"), "Production:\\x");
    EXPECT_EQ(resolve(lib, "Prod:x"), "Prod:x");
}

TEST_F(LibraryTest, MixedCasePathIsFoundThroughAnAlias) {
    temp.write("Product/Application Programs/Models/KVX200.mdl", "[ASM Model]\n");
    EXPECT_NE(lib.FileExists("prod:\\application programs\\MODELS\\kvx200.MDL"), 0);
    EXPECT_EQ(lib.FileExists("prod:\\application programs\\MODELS\\kvx300.MDL"), 0);
    int32_t handle = 0, status = 0;
    EXPECT_EQ(lib.OpenSectionedFile("Prod:/APPLICATION programs\\models/KVX200.mdl", handle, 0, 0,
                                    status, ""),
              -1);
    lib.CloseSectionedFile(handle);
}

TEST_F(LibraryTest, ProductFolderAbsoluteAndSLibFromTheSettings) {
    temp.write("machine/Kvxmatic.Ini",
               "[Kvxmatic]\nProductDir=" + temp.path() + "/Elsewhere\nSLibDir=libs\\os\n");
    EXPECT_EQ(resolve(lib, "Prod:\\Program"), temp.path() + "/Elsewhere/Program");
    EXPECT_EQ(resolve(lib, "SLib:\\a.mdd"), machine() + "/libs/os/a.mdd");
}

TEST_F(LibraryTest, SettingsFileIsReadAgainWhenItChanges) {
    EXPECT_EQ(resolve(lib, "Prod:"), product());
    temp.write("machine/Kvxmatic.Ini", "[Kvxmatic]\nProductDir=Other/Product\n");
    EXPECT_EQ(resolve(lib, "Prod:"), machine() + "/Other/Product");
}

TEST_F(LibraryTest, WithoutSettingsTheProductIsTheProgramDefault) {
    std::remove((machine() + "/Kvxmatic.Ini").c_str());
    EXPECT_EQ(resolve(lib, "Prod:\\Program"), "/kvx/Program");
}

TEST(MachineDir, FromTheEnvironmentOrTheHomeFolder) {
    const char* saved = std::getenv("KRELVAN_MACHINE_DIR");
    const std::string keep = saved != nullptr ? saved : "";
    setenv("KRELVAN_MACHINE_DIR", "/some/where", 1);
    EXPECT_EQ(kvxglib::machineDirFromEnvironment(), "/some/where");
    unsetenv("KRELVAN_MACHINE_DIR");
    const std::string home = std::getenv("HOME") != nullptr ? std::getenv("HOME") : "";
    if (!home.empty()) {
        EXPECT_EQ(kvxglib::machineDirFromEnvironment(), home + "/.config/krelvan");
    }
    if (saved != nullptr) setenv("KRELVAN_MACHINE_DIR", keep.c_str(), 1);
}

TEST_F(LibraryTest, DeleteAndRenameFiles) {
    temp.write("Product/Mod/NewExists.Mod", "new");
    temp.write("Product/Mod/EXISTS.MOD", "old");
    int32_t status = 0;
    EXPECT_EQ(lib.DeleteFile("Prod:\\mod\\Exists.Mod", 0, status, ""), -1);
    EXPECT_EQ(lib.FileExists("Prod:\\Mod\\Exists.Mod"), 0);
    EXPECT_EQ(lib.DeleteFile("Prod:\\Mod\\Exists.Mod", 0, status, ""), 0);
    EXPECT_NE(status, 0);
    EXPECT_EQ(lib.DeleteFile("Prod:\\Mod", 0, status, ""), 0);  // never a folder

    EXPECT_EQ(lib.RenameFile("Prod:\\Mod\\newexists.mod", "Prod:\\Mod\\Exists.Mod", 0, status, ""),
              -1);
    EXPECT_EQ(temp.read("Product/Mod/Exists.Mod"), "new");
    EXPECT_EQ(lib.FileExists("Prod:\\Mod\\NewExists.Mod"), 0);
    EXPECT_EQ(lib.RenameFile("Prod:\\Mod\\Gone", "Prod:\\Mod\\X", 0, status, ""), 0);
}
