// What the loaders accept as the image to send, and how they say why not.
#include <gtest/gtest.h>

#include "platform/components/ImageSource.h"
#include "platform/components/RealAppLoader.h"
#include "platform/components/RealOsUpgrader.h"
#include "platform/comm/LinkAccess.h"
#include "platform/image/SiteArchive.h"
#include "support/FakeUi.h"
#include "support/ImageSigning.h"
#include "support/TempFolder.h"

namespace {

using components::openImage;

image::Image makeImage(image::Kind kind, const std::string& name) {
    image::Image i;
    i.kind = kind;
    i.model = 300;
    i.name = name;
    i.versionText = "3.2-0-4";
    i.version = {3, 2, 0, 4};
    i.payload = std::vector<uint8_t>(1000, 0x5A);
    return i;
}

struct ImageFiles : ::testing::Test {
    void SetUp() override {
        temp.write("Mod/Readme.txt", "image files\n");  // makes the folder
        std::string why;
        const image::Image app = makeImage(image::Kind::Application, "Heating");
        write("Mod/App.Img", testsupport::signedByTest(app));
        write("Mod/Os.Img",
              testsupport::signedByTest(makeImage(image::Kind::OperatingSystem, "KVXreal 3.2")));
        // Whole files with sound checksums that the product did not sign as they are.
        write("Mod/Unsigned.Img", app);
        image::Image altered = testsupport::signedByTest(app);
        altered.payload[500] ^= 0x01;
        write("Mod/Altered.Img", altered);
        image::Image relabelled = testsupport::signedByTest(app);
        relabelled.model = 200;
        write("Mod/Relabelled.Img", relabelled);
        image::Image foreign = app;
        image::signImage(foreign, image::newKeyPair().secretKey);
        write("Mod/Foreign.Img", foreign);
        std::string damaged = temp.read("Mod/App.Img");
        damaged[damaged.size() / 2] ^= 0x01;
        temp.write("Mod/Damaged.Img", damaged);
        temp.write("Mod/Named.Job", "[Job]\nProgram=Heating 3.1\nImage=app.img\n");
        temp.write("Mod/Plain.Job", "[Job]\nImage=App.Img\n");
        temp.write("Mod/NoImage.Job", "[Job]\nProgram=x\n");
        temp.write("Mod/Missing.Job", "[Job]\nProgram=x\nImage=Gone.Img\n");
        temp.write("Mod/Broken.Job", "[Job]\nColour=red\nImage=App.Img\n");
    }
    void write(const std::string& name, const image::Image& i) {
        std::string why;
        ASSERT_TRUE(image::writeImageFile(temp / name, i, why)) << why;
    }
    testsupport::TempFolder temp;
};

TEST_F(ImageFiles, GoodImagesAndJobFilesGiveTheImageAndItsProgramName) {
    struct Case {
        const char* file;
        const char* programName;
    };
    const std::vector<Case> cases = {
        {"Mod/App.Img", "Heating"},
        {"mod\\APP.IMG", "Heating"},      // backslashes and another letter case
        {"Mod/Named.Job", "Heating 3.1"},  // the job file's Program wins
        {"Mod/Plain.Job", "Heating"},
    };
    for (const Case& c : cases) {
        std::string why;
        const auto source = openImage(temp / c.file, image::Kind::Application, testsupport::testKey(), why);
        ASSERT_TRUE(source) << c.file << ": " << why;
        EXPECT_EQ(source->programName, c.programName) << c.file;
        EXPECT_EQ(source->image.payload.size(), 1000u) << c.file;
    }
}

TEST_F(ImageFiles, UnusableFilesAreRefusedWithTheReason) {
    struct Case {
        const char* file;
        image::Kind kind;
        const char* reason;  // a part of the message
    };
    const std::vector<Case> cases = {
        {"Mod/Nothing.Img", image::Kind::Application, "cannot open"},
        {"Mod/Damaged.Img", image::Kind::Application, "damaged"},
        {"Mod/Os.Img", image::Kind::Application, "not application"},
        {"Mod/App.Img", image::Kind::OperatingSystem, "not operating system"},
        {"Mod/NoImage.Job", image::Kind::Application, "names an Image"},
        {"Mod/Missing.Job", image::Kind::Application, "Missing.Job:3: cannot open"},
        {"Mod/Broken.Job", image::Kind::Application, "Broken.Job:2: the key colour"},
        {"Mod/Unsigned.Img", image::Kind::Application, "Unsigned.Img is not signed"},
        {"Mod/Altered.Img", image::Kind::Application, "Altered.Img does not carry the product's"},
        {"Mod/Relabelled.Img", image::Kind::Application, "Relabelled.Img does not carry"},
        {"Mod/Foreign.Img", image::Kind::Application, "Foreign.Img does not carry"},
        {"Mod/Plain.Job", image::Kind::Application, "App.Img cannot be checked: no key here"},
    };
    for (const Case& c : cases) {
        std::string why;
        // The last row: a product without its key trusts no image.
        const image::KeyReading key =
            &c == &cases.back() ? image::KeyReading{std::nullopt, "no key here"} : testsupport::testKey();
        EXPECT_FALSE(openImage(temp / c.file, c.kind, key, why)) << c.file;
        EXPECT_NE(why.find(c.reason), std::string::npos) << c.file << ": " << why;
    }
}

struct NoLinks final : comm::LinkAccess {
    comm::ExchangeEngine* engine(int32_t) override { return nullptr; }
};

struct Errors final : components::IQAVSErrorCallback {
    void QAVSErrorMessage(const std::string& m) override { messages.push_back(m); }
    std::vector<std::string> messages;
};

TEST_F(ImageFiles, TheLoaderRefusesPartitionZeroAndABadFileWithoutSendingAnything) {
    NoLinks links;  // any exchange would fail the test with another message
    Errors errors;
    components::RealAppLoader loader(links, testsupport::testKey());
    EXPECT_FALSE(loader.Open(temp / "Mod/Damaged.Img"));
    loader.ErrorCallback(&errors);
    loader.Partition(16);
    EXPECT_FALSE(loader.Load());
    ASSERT_EQ(errors.messages.size(), 1u);
    EXPECT_NE(errors.messages[0].find("damaged"), std::string::npos) << errors.messages[0];

    ASSERT_TRUE(loader.Open(temp / "Mod/Named.Job"));
    EXPECT_EQ(loader.ProgramName(), "Heating 3.1");
    loader.Partition(0);
    EXPECT_FALSE(loader.Load());
    ASSERT_EQ(errors.messages.size(), 2u);
    EXPECT_NE(errors.messages[1].find("partition 0"), std::string::npos) << errors.messages[1];
}

TEST_F(ImageFiles, ForAWebSiteTheLoaderTakesOnlyASiteArchive) {
    std::string why;
    image::Image site = makeImage(image::Kind::WebSite, "Site");
    site.payload = *image::serializeSiteArchive({{"index.html", {'h', 'i'}}}, why);
    write("Mod/Site.Ecp", testsupport::signedByTest(site));
    image::Image notASite = makeImage(image::Kind::WebSite, "Site");  // payload of 0x5A bytes
    write("Mod/Junk.Ecp", testsupport::signedByTest(notASite));
    struct Case {
        const char* file;
        bool webSite;
        std::string error;  // empty: opened
    };
    const Case cases[] = {
        {"Mod/Site.Ecp", true, ""},
        {"Mod/App.Img", true, "holds application, not web site"},
        {"Mod/Junk.Ecp", true, "Junk.Ecp is no web site: it holds no site archive."},
        {"Mod/Site.Ecp", false, "holds web site, not application"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        NoLinks links;
        Errors errors;
        components::RealAppLoader loader(links, testsupport::testKey());
        loader.ErrorCallback(&errors);
        loader.WebSite(c.webSite);
        EXPECT_EQ(loader.Open(temp / c.file), c.error.empty());
        if (c.error.empty()) {
            EXPECT_TRUE(errors.messages.empty());
            continue;
        }
        ASSERT_EQ(errors.messages.size(), 1u);
        EXPECT_EQ(errors.messages[0].rfind(c.webSite ? "The web site cannot be loaded: "
                                                     : "The program cannot be loaded: ",
                                           0),
                  0u)
            << errors.messages[0];
        EXPECT_NE(errors.messages[0].find(c.error), std::string::npos) << errors.messages[0];
    }
}

TEST_F(ImageFiles, TheUpgraderReadsTheImageVersionFromItsHeader) {
    NoLinks links;
    testsupport::FakeClock clock;
    testsupport::FakeScreen screen;
    components::RealOsUpgrader upgrader({links, clock, screen, std::chrono::milliseconds(100)}, testsupport::testKey());
    upgrader.UpgradeFile(temp / "Mod/Os.Img");
    EXPECT_EQ(upgrader.ImageVerMajor(), 3);
    EXPECT_EQ(upgrader.ImageVerMinor(), 2);
    EXPECT_EQ(upgrader.ImageVerBranch(), 0);
    EXPECT_EQ(upgrader.ImageVerRevision(), 4);
    int16_t flag = 0;
    EXPECT_TRUE(upgrader.LocateImage(int32_t(0x80000000u), flag));
    EXPECT_EQ(flag, -1);
    // An application image is no operating system: no version, nothing to offer.
    upgrader.UpgradeFile(temp / "Mod/App.Img");
    EXPECT_EQ(upgrader.ImageVerMajor(), 0);
    EXPECT_TRUE(upgrader.LocateImage(0, flag));
    EXPECT_EQ(flag, 0);
    // Nothing staged: nothing to finish.
    EXPECT_FALSE(upgrader.FinishUpgrade(0, flag));
    EXPECT_EQ(flag, 0);
}

}  // namespace
