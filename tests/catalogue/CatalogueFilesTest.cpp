// The catalogue readers on real files: what each failure row leaves behind and says.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "catalogue/CatalogueFiles.h"
#include "catalogue/Paths.h"
#include "support/ProgramFixture.h"

using ::testing::ElementsAre;
using testsupport::ProgramFixture;

namespace {

class CatalogueFiles : public ::testing::Test {
protected:
    CatalogueFiles() : f(false) {}

    std::string path(const std::string& relative) { return f.productDir + "/" + relative; }
    void write(const std::string& relative, const std::string& content) {
        f.temp.write("product/" + relative, content);
    }
    catalogue::Catalogue& cat() { return f.program->catalogue; }
    void readModel(const std::string& relative) {
        catalogue::ReadModelFile(*f.glib, cat(), path(relative));
    }
    void readRevisions(const std::string& relative) {
        catalogue::ReadRevisionsFile(*f.glib, cat(), path(relative));
    }

    ProgramFixture f;
};

TEST_F(CatalogueFiles, ModelFileFieldsAndNumericConversions) {
    write("m.mod",
          "[ASM Model]\nName=Optima\nArtNo=123-4567\nModel=12abc\nCode= -7.5x\nOptions=&H10\n"
          "TaskMask=FF\nRevisions=Optima\\Revisions.txt\nVelmoro=Velmoro Optima\n");
    readModel("m.mod");
    ASSERT_EQ(cat().ModelList.size(), 1u);
    const catalogue::CModel& m = cat().ModelList[0];
    EXPECT_EQ(m.Name, "Optima");
    EXPECT_EQ(m.ArtNo, "123-4567");
    EXPECT_EQ(m.Model, 12);
    EXPECT_EQ(m.Code, -7.5);
    EXPECT_EQ(m.Options, 16);
    EXPECT_EQ(m.TaskMask, 255);
    EXPECT_EQ(m.Revisions, "Optima\\Revisions.txt");
    EXPECT_EQ(m.Velmoro, "Velmoro Optima");
    EXPECT_TRUE(f.boxes.shown.empty());
}

TEST_F(CatalogueFiles, ModelFileWithoutTheSectionKeepsDefaults) {
    write("m.mod", "[Other]\nName=x\n");
    readModel("m.mod");
    ASSERT_EQ(cat().ModelList.size(), 1u);
    const catalogue::CModel& m = cat().ModelList[0];
    EXPECT_EQ(m.ArtNo, "000-0000");
    EXPECT_EQ(m.Options, 120);
    EXPECT_EQ(m.TaskMask, -1);
    EXPECT_EQ(m.Name, "");
    EXPECT_EQ(m.Velmoro, "");
}

TEST_F(CatalogueFiles, UnknownModelKeyStopsThatFileButKeepsTheModel) {
    write("m.mod", "[ASM Model]\nName=First\nColour=red\nVelmoro=never read\n");
    readModel("m.mod");
    ASSERT_EQ(cat().ModelList.size(), 1u);
    EXPECT_EQ(cat().ModelList[0].Name, "First");
    EXPECT_EQ(cat().ModelList[0].Velmoro, "");
    EXPECT_THAT(f.messages(), ElementsAre("Can't understand the parameter Colour in the file " +
                                          path("m.mod")));
    EXPECT_EQ(f.boxes.shown[0].kind, ui::MessageKind::Error);
}

TEST_F(CatalogueFiles, ModelFileThatDoesNotOpenAddsNothingAndSaysNothing) {
    readModel("missing.mod");
    EXPECT_TRUE(cat().ModelList.empty());
    EXPECT_TRUE(f.boxes.shown.empty());
}

TEST_F(CatalogueFiles, RevisionsAndProgramsInFileOrder) {
    write("A/Revisions.txt",
          "[Revision]\nRevision=1.0\nPrograms=r1\\Programs.txt\nCurrent=no\nEMail=Yes\n"
          "SaveDPacs=P\nWebSajt=Yes\n"
          "[Revision]\nPrograms=r2\\Programs.txt\nCurrent=YES\n"
          "[Revision]\nRevision=3.0\n");
    write("A/r1/Programs.txt",
          "[Program]\nName=One\nArtNo=1\nFile=a.job\nFileC=a.qvx\nDirectory=Mod\n"
          "[Program]\nName=Two\n");
    write("A/r2/Programs.txt", "[Program]\nName=Three\n");
    readRevisions("A/Revisions.txt");
    const auto& list = cat().ProgramList;
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].Revision, "1.0");
    EXPECT_EQ(list[0].Name, "One");
    EXPECT_EQ(list[0].ArtNo, "1");
    EXPECT_EQ(list[0].File, "a.job");
    EXPECT_EQ(list[0].FileC, "a.qvx");
    EXPECT_FALSE(list[0].Current);
    EXPECT_THAT(list[0].Directory, ::testing::EndsWith("r1/Mod"));
    EXPECT_EQ(list[1].Name, "Two");
    EXPECT_EQ(list[1].ArtNo, "000-0000-00");
    EXPECT_THAT(list[1].Directory, ::testing::EndsWith("r1/Module1"));
    EXPECT_EQ(list[2].Revision, "0.0-0-00");  // a section without Revision
    EXPECT_TRUE(list[2].Current);
    EXPECT_TRUE(f.boxes.shown.empty());
}

TEST_F(CatalogueFiles, BadRevisionsSectionStopsTheLaterRevisions) {
    write("A/Revisions.txt",
          "[Revision]\nRevision=1.0\nPrograms=r1\\Programs.txt\n[Revisions]\nRevision=2.0\n"
          "[Revision]\nRevision=3.0\nPrograms=r1\\Programs.txt\n");
    write("A/r1/Programs.txt", "[Program]\nName=One\n");
    readRevisions("A/Revisions.txt");
    ASSERT_EQ(cat().ProgramList.size(), 1u);
    EXPECT_THAT(f.messages(),
                ElementsAre("Can not understand the section Revisions in the file " +
                            path("A/Revisions.txt")));
}

TEST_F(CatalogueFiles, UnknownRevisionKeyStopsBeforeThatSectionsPrograms) {
    write("A/Revisions.txt",
          "[Revision]\nRevision=1.0\nPrograms=r1\\Programs.txt\n"
          "[Revision]\nRevision=2.0\nPrograms=r1\\Programs.txt\nPrice=3\n");
    write("A/r1/Programs.txt", "[Program]\nName=One\n");
    readRevisions("A/Revisions.txt");
    ASSERT_EQ(cat().ProgramList.size(), 1u);
    EXPECT_EQ(cat().ProgramList[0].Revision, "1.0");
    EXPECT_THAT(f.messages(), ElementsAre("Can't understand the parameter Price in the file " +
                                          path("A/Revisions.txt")));
}

TEST_F(CatalogueFiles, BadProgramsFileStopsOnlyItsOwnPrograms) {
    write("A/Revisions.txt",
          "[Revision]\nRevision=1.0\nPrograms=r1\\Programs.txt\n"
          "[Revision]\nRevision=2.0\nPrograms=r2\\Programs.txt\n");
    write("A/r1/Programs.txt", "[Program]\nName=One\nSize=4\nFile=never.job\n[Program]\nName=X\n");
    write("A/r2/Programs.txt", "[Program]\nName=Two\n[Other]\n[Program]\nName=Never\n");
    readRevisions("A/Revisions.txt");
    const auto& list = cat().ProgramList;
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].Name, "One");
    EXPECT_EQ(list[0].File, "");
    EXPECT_EQ(list[1].Name, "Two");
    const std::string r1 = f.productDir + "/A/r1\\Programs.txt";
    ASSERT_EQ(f.boxes.shown.size(), 2u);
    EXPECT_THAT(f.boxes.shown[0].text,
                ::testing::StartsWith("F\xC3\xB6rst\xC3\xA5r inte parameter Size i filen "));
    EXPECT_THAT(f.boxes.shown[1].text,
                ::testing::StartsWith("Can not understand the section Other in the file "));
}

TEST_F(CatalogueFiles, MixedCasePathsAreFound) {
    write("Models/m.mod", "[ASM Model]\nRevisions=optima\\REVISIONS.TXT\n");
    write("Optima/Revisions.txt", "[Revision]\nRevision=1.0\nPrograms=R1\\programs.txt\n");
    write("Optima/r1/Programs.txt", "[Program]\nName=One\n");
    readModel("MODELS/M.MOD");
    ASSERT_EQ(cat().ModelList.size(), 1u);
    readRevisions("Optima\\REVISIONS.TXT");
    ASSERT_EQ(cat().ProgramList.size(), 1u);
    EXPECT_EQ(cat().ProgramList[0].Name, "One");
}

}  // namespace
