// The module files: their contents, and a whole address change on a copy of the demo product
// through the real file libraries.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "app/Program.h"
#include "link/ChangeModuleAddress.h"
#include "link/FileError.h"
#include "link/Module.h"
#include "link/ModuleFiles.h"
#include "link/VarName.h"
#include "support/ProgramFixture.h"

namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

TEST(ExistsMod, OnlyLineTwoChanges) {
    EXPECT_EQ(clink::ExistsModWithAddress("Module1\n254            30\nHeating\nx\n\n", 12, 3),
              "Module1\n12             3\nHeating\nx\n\n");
    EXPECT_EQ(clink::ExistsModWithAddress("Module1", 12, 3), "Module1\n");  // no line 2 to set
    EXPECT_EQ(clink::ExistsModWithAddress("", 12, 3), "");
    EXPECT_EQ(clink::ExistsModWithAddress("A\r\nB\r\nC", 254, 255),
              "A\r\n254            255\r\nC\r\n");
    EXPECT_EQ(clink::ExistsModAddressLine(254, 255), "254" + std::string(12, ' ') + "255");
    EXPECT_EQ(clink::ExistsModAddressLine(12, 3), "12" + std::string(13, ' ') + "3");
}

TEST(ModulesDir, ModuleNameGoesInCodePage850AndIsCutAtTheRecordEnd) {
    const std::string record = clink::ModulesDirRecord(2, 200, 31, "Värme");
    ASSERT_EQ(record.size(), 74u);
    EXPECT_EQ(record.substr(0, 9), std::string("\x01\xC8\x1FV\x84rme ", 9));
    EXPECT_EQ(clink::ModulesDirRecord(2, 1, 1, std::string(100, 'M')).substr(3),
              std::string(71, 'M'));
}

// While alive, the process writes files as an ordinary user (root writes anywhere).
class AsOrdinaryUser {
  public:
    AsOrdinaryUser() : wasRoot_(::geteuid() == 0) {
        if (wasRoot_ && ::seteuid(65534) != 0) throw std::runtime_error("seteuid");
    }
    ~AsOrdinaryUser() {
        if (wasRoot_ && ::seteuid(0) != 0) std::abort();
    }

  private:
    bool wasRoot_;
};

class ModuleAddressChange : public ::testing::Test {
  protected:
    ModuleAddressChange() {
        app::FormMain& form = f.program->formMain;
        form.Form_Load();
        form.CtrlModels_ItemClick(1);  // KVX200, revision 2.4
        form.CtrlPrograms_ItemClick(1);
        project = f.productDir + "/Application programs/KVX200/2.4";
        oldDir = read("Modules.Dir");
        oldExists = read("Module1/Exists.Mod");
        oldKvx = read("Modules.Kvx");
    }

    std::string read(const std::string& name) const {
        return f.temp.read("demo/product/Application programs/KVX200/2.4/" + name);
    }
    bool change(int16_t pla, int16_t ela) {
        return clink::ChangeModuleAddress(*f.program, pla, ela);
    }
    void expectOldFiles() {
        EXPECT_EQ(read("Modules.Dir"), oldDir);
        EXPECT_EQ(read("Module1/Exists.Mod"), oldExists);
        EXPECT_EQ(read("Modules.Kvx"), oldKvx);
        EXPECT_FALSE(fs::exists(project + "/NewModules.Dir"));
        EXPECT_FALSE(fs::exists(project + "/Module1/NewExists.Mod"));
    }

    testsupport::ProgramFixture f;
    std::string project;
    std::string oldDir;
    std::string oldExists;
    std::string oldKvx;
};

TEST_F(ModuleAddressChange, RewritesTheThreeFilesAndReopensTheProject) {
    ASSERT_NE(f.program->catalogue.ProjectNameHandle, 0);
    ASSERT_TRUE(change(12, 3));

    const std::string header =
        std::string("CODEFILE!\x1A\x4A\x00\x01\x00", 14) + std::string(60, ' ');
    const std::string module = std::string("\x01\x0C\x03", 3) + "Module1" + std::string(64, ' ');
    EXPECT_EQ(read("Modules.Dir"), header + module + std::string(74, '\0'));
    EXPECT_EQ(read("Module1/Exists.Mod"),
              "Module1\n12             3\nKVX200 heating controller 2.4-0-01\n");
    EXPECT_THAT(read("Modules.Kvx"), HasSubstr("PLA=12"));
    EXPECT_THAT(read("Modules.Kvx"), HasSubstr("ELA=3"));
    EXPECT_FALSE(fs::exists(project + "/NewModules.Dir"));
    EXPECT_FALSE(fs::exists(project + "/Module1/NewExists.Mod"));

    app::Program& program = *f.program;
    EXPECT_EQ(program.linkState.ModulePLA, 12);
    EXPECT_EQ(program.linkState.ModuleELA, 3);
    const int32_t handle = program.catalogue.ProjectNameHandle;
    ASSERT_NE(handle, 0);
    EXPECT_EQ(f.nam.projectFolder(handle), fs::path(project).lexically_normal().string());
    EXPECT_EQ(f.nam.openCount(), 1u);  // the old project was closed
    clink::ResolvedVar var;
    EXPECT_TRUE(clink::ResolveVarName(program, "QSystem.ActivePartition", var));
    EXPECT_TRUE(f.messages().empty());
}

TEST_F(ModuleAddressChange, TheSameAddressAgainWritesNothing) {
    ASSERT_TRUE(change(12, 3));
    f.temp.write("demo/product/Application programs/KVX200/2.4/Module1/Exists.Mod", "touched\n");
    EXPECT_TRUE(change(12, 3));
    EXPECT_EQ(read("Module1/Exists.Mod"), "touched\n");
    ASSERT_TRUE(change(254, 255));
    EXPECT_EQ(read("Module1/Exists.Mod"), "touched\n");  // a one-line file gains no line 2
    EXPECT_EQ(read("Modules.Dir").substr(74, 3), "\x01\xFE\xFF");
}

TEST_F(ModuleAddressChange, AFolderThatCannotBeWrittenKeepsTheOldFilesAndSaysWhy) {
    fs::permissions(f.temp.path(), fs::perms::owner_all | fs::perms::group_read |
                                       fs::perms::group_exec | fs::perms::others_read |
                                       fs::perms::others_exec);
    fs::permissions(project,
                    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    {
        AsOrdinaryUser user;
        EXPECT_FALSE(change(12, 3));
    }
    fs::permissions(project, fs::perms::owner_write, fs::perm_options::add);
    const auto messages = f.messages();
    ASSERT_EQ(messages.size(), 1u);
    // The file the user knows, not the copy staged beside it.
    EXPECT_EQ(messages[0], "Can not open the file " + f.program->catalogue.SelectedProjectFolder +
                               "/Modules.Dir: Permission denied");
    expectOldFiles();
    EXPECT_EQ(f.program->catalogue.ProjectNameHandle, 0);  // stays closed until a retry works
    EXPECT_EQ(f.program->linkState.ModulePLA, 0);

    ASSERT_TRUE(change(12, 3));  // the next call tries every step again
    EXPECT_NE(read("Modules.Dir"), oldDir);
    EXPECT_NE(f.program->catalogue.ProjectNameHandle, 0);
}

TEST_F(ModuleAddressChange, AMissingExistsModRaisesAndChangesNothing) {
    fs::remove(project + "/Module1/Exists.Mod");
    try {
        change(12, 3);
        ADD_FAILURE() << "no FileError";
    } catch (const clink::FileError& error) {
        EXPECT_THAT(error.what(), ::testing::StartsWith("Can not open the file "));
        EXPECT_THAT(error.what(), ::testing::EndsWith("Exists.Mod: No such file or directory"));
    }
    EXPECT_EQ(read("Modules.Dir"), oldDir);
    EXPECT_EQ(read("Modules.Kvx"), oldKvx);
    EXPECT_FALSE(fs::exists(project + "/NewModules.Dir"));
    EXPECT_EQ(f.program->linkState.ModulePLA, 0);
}

TEST_F(ModuleAddressChange, AnotherRevisionsFilesAreWrittenEvenForTheSameAddress) {
    ASSERT_TRUE(change(12, 3));
    f.program->formMain.CtrlPrograms_ItemClick(2);  // revision 2.5: its files say 254:30
    const std::string other = "demo/product/Application programs/KVX200/2.5/";
    ASSERT_EQ(f.temp.read(other + "Module1/Exists.Mod").substr(8, 17), "254            30");

    ASSERT_TRUE(change(12, 3));
    EXPECT_EQ(f.temp.read(other + "Module1/Exists.Mod"),
              "Module1\n12             3\nKVX200 heating controller 2.5-0-03\n");
    EXPECT_EQ(f.temp.read(other + "Modules.Dir").substr(74, 3), "\x01\x0C\x03");

    f.program->formMain.CtrlPrograms_ItemClick(1);  // back to 2.4, which already says 12:3
    f.temp.write("demo/product/Application programs/KVX200/2.4/Module1/Exists.Mod", "touched\n");
    ASSERT_TRUE(change(12, 3));
    EXPECT_EQ(read("Module1/Exists.Mod"), "touched\n");  // rewritten: it was not the last
}

TEST_F(ModuleAddressChange, AModuleNameModulesDirCannotHoldIsRefusedAndNothingChanges) {
    struct Case {
        std::string name;
        bool fits;
    };
    const Case cases[] = {
        {std::string(71, 'M'), true},
        {std::string(72, 'M'), false},
        {"\u00C4" + std::string(70, 'M'), true},  // one byte in the file's code page
        {"\u00C4" + std::string(71, 'M'), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::create_directory(project + "/" + c.name);
        fs::copy_file(project + "/Module1/Exists.Mod", project + "/" + c.name + "/Exists.Mod");
        f.program->catalogue.SelectedModuleDirectory = c.name;
        const std::string dirBefore = read("Modules.Dir");
        const std::size_t shownBefore = f.messages().size();

        EXPECT_EQ(change(12, 3), c.fits);
        if (c.fits) {
            EXPECT_EQ(read("Modules.Dir").substr(74, 74), clink::ModulesDirRecord(2, 12, 3, c.name));
            EXPECT_EQ(f.messages().size(), shownBefore);
        } else {
            EXPECT_EQ(read("Modules.Dir"), dirBefore);
            EXPECT_EQ(read(c.name + "/Exists.Mod"), oldExists);
            ASSERT_EQ(f.messages().size(), shownBefore + 1);
            EXPECT_EQ(f.messages().back(),
                      "The module name " + c.name +
                          " is longer than the 71 characters Modules.Dir can hold. The module "
                          "files are left unchanged.");
        }
    }
}

TEST_F(ModuleAddressChange, TheModuleObjectSaysWhetherTheFilesChanged) {
    // Nobody answers on the unconfigured serial link, so the new address is free.
    clink::Module module(*f.program);
    bool result = false;
    module.ChangeModuleAddr(254, 30, 12, 3, result);
    EXPECT_TRUE(result);
    EXPECT_EQ(read("Module1/Exists.Mod").substr(8, 16), "12             3");

    const std::string tooLong(72, 'M');  // a name Modules.Dir cannot hold
    fs::create_directory(project + "/" + tooLong);
    fs::copy_file(project + "/Module1/Exists.Mod", project + "/" + tooLong + "/Exists.Mod");
    f.program->catalogue.SelectedModuleDirectory = tooLong;
    const std::string dirBefore = read("Modules.Dir");
    module.ChangeModuleAddr(12, 3, 20, 4, result);
    EXPECT_FALSE(result);
    EXPECT_EQ(read("Modules.Dir"), dirBefore);
}

}  // namespace
