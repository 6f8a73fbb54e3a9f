// Resolving the selected revision: which section's values win, and the key-order rules.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "catalogue/ResolveSelectedRevision.h"
#include "support/ProgramFixture.h"

using ::testing::ElementsAre;
using ::testing::EndsWith;
using testsupport::ProgramFixture;

namespace {

class ResolveSelectedRevision : public ::testing::Test {
protected:
    ResolveSelectedRevision() : f(false) {
        catalogue::CModel model;
        model.Revisions = "A\\Revisions.txt";
        cat().ModelList.push_back(model);
        cat().SelectedModelIndex = 1;
        for (const char* r : {"r1", "r2", "r3"}) {
            write(std::string("A/") + r + "/Programs.txt", "[Program]\nDirectory=Mod" + std::string(r) + "\n");
            write(std::string("A/") + r + "/Modules.Dir", "");
        }
    }

    void write(const std::string& relative, const std::string& content) {
        f.temp.write("product/Application programs/" + relative, content);
    }
    catalogue::Catalogue& cat() { return f.program->catalogue; }
    void resolve(const std::string& selected) {
        catalogue::ResolveSelectedRevision(*f.platform, cat(), selected, eMail, webSite, package);
    }

    ProgramFixture f;
    bool eMail = false;
    bool webSite = false;
    std::string package;
};

TEST_F(ResolveSelectedRevision, MatchingSectionGivesItsValuesAndProject) {
    write("A/Revisions.txt",
          "[Revision]\nRevision=1.0\nPrograms=r1\\Programs.txt\nEMail=Yes\nSaveDPacs=P1\n"
          "[Revision]\nRevision=2.0\nPrograms=r2\\Programs.txt\nSaveDPacs=P2\nWebSajt=Yes\n"
          "[Revision]\nRevision=3.0\nPrograms=r3\\Programs.txt\nEMail=Yes\n");
    resolve("2.0");
    EXPECT_FALSE(eMail);
    EXPECT_TRUE(webSite);
    EXPECT_EQ(package, "P2");
    EXPECT_THAT(cat().SelectedProjectFolder, EndsWith("r2"));
    EXPECT_EQ(cat().SelectedModuleDirectory, "Modr2");
    EXPECT_NE(cat().ProjectNameHandle, 0);
    EXPECT_TRUE(f.boxes.shown.empty());
}

TEST_F(ResolveSelectedRevision, WebSajtAfterRevisionEndsTheWalkBeforeLaterKeys) {
    write("A/Revisions.txt",
          "[Revision]\nRevision=1.0\nPrograms=r1\\Programs.txt\n"
          "[Revision]\nRevision=2.0\nWebSajt=Yes\nPrograms=r2\\Programs.txt\nSaveDPacs=P2\n");
    resolve("2.0");
    EXPECT_TRUE(webSite);
    EXPECT_EQ(package, "");
    // The earlier section's project stays registered.
    EXPECT_THAT(cat().SelectedProjectFolder, EndsWith("r1"));
    EXPECT_EQ(cat().SelectedModuleDirectory, "Modr1");
}

TEST_F(ResolveSelectedRevision, RevisionAfterWebSajtReadsTheWholeSectionThenStops) {
    write("A/Revisions.txt",
          "[Revision]\nWebSajt=Yes\nRevision=2.0\nPrograms=r2\\Programs.txt\nSaveDPacs=P2\n"
          "[Revision]\nRevision=3.0\nEMail=Yes\nPrograms=r3\\Programs.txt\n");
    resolve("2.0");
    EXPECT_TRUE(webSite);
    EXPECT_FALSE(eMail);
    EXPECT_EQ(package, "P2");
    EXPECT_THAT(cat().SelectedProjectFolder, EndsWith("r2"));
}

TEST_F(ResolveSelectedRevision, NoMatchLeavesTheLastSectionsValues) {
    write("A/Revisions.txt",
          "[Revision]\nRevision=1.0\nWebSajt=Yes\n"
          "[Revision]\nRevision=3.0\nEMail=Yes\nSaveDPacs=P3\n");
    resolve("9.9");
    EXPECT_TRUE(eMail);
    EXPECT_FALSE(webSite);
    EXPECT_EQ(package, "P3");
}

TEST_F(ResolveSelectedRevision, FirstOfTwoSectionsWithTheSameRevisionWins) {
    write("A/Revisions.txt",
          "[Revision]\nRevision=2.0\nPrograms=r1\\Programs.txt\nSaveDPacs=first\n"
          "[Revision]\nRevision=2.0\nPrograms=r2\\Programs.txt\nSaveDPacs=second\n");
    resolve("2.0");
    EXPECT_EQ(package, "first");
    EXPECT_THAT(cat().SelectedProjectFolder, EndsWith("r1"));
}

TEST_F(ResolveSelectedRevision, UnreadableRevisionsFileKeepsTheCallersValues) {
    eMail = true;
    package = "caller";
    resolve("2.0");
    EXPECT_TRUE(eMail);
    EXPECT_EQ(package, "caller");
    EXPECT_EQ(cat().ProjectNameHandle, 0);
}

TEST_F(ResolveSelectedRevision, RefusedProjectIsReportedAndEndsTheResolution) {
    write("A/Revisions.txt",
          "[Revision]\nRevision=2.0\nPrograms=gone\\Programs.txt\nSaveDPacs=P2\n");
    resolve("2.0");
    EXPECT_THAT(f.messages(), ElementsAre("Can not register in KVXname!"));
    EXPECT_EQ(package, "");
}

TEST_F(ResolveSelectedRevision, AnEarlierProjectIsClosedBeforeTheNextOpens) {
    write("A/Revisions.txt", "[Revision]\nRevision=1.0\nPrograms=r1\\Programs.txt\n"
                             "[Revision]\nRevision=2.0\nPrograms=r2\\Programs.txt\n");
    resolve("1.0");
    const int32_t first = cat().ProjectNameHandle;
    ASSERT_NE(first, 0);
    resolve("2.0");
    const int32_t second = cat().ProjectNameHandle;
    ASSERT_NE(second, 0);
    EXPECT_THAT(f.nam.projectFolder(second).value_or(""), EndsWith("r2"));
    EXPECT_EQ(f.nam.selectedModule(second).value_or(""), "Modr2");
    if (first != second) {
        EXPECT_FALSE(f.nam.projectFolder(first).has_value());
    }
}

}  // namespace
