// Replays the image and site fuzzers' seed corpora. File names say what each file is and what
// its reader must make of it: <image|site>-<ok|bad>-<what>.bin.
#include <gtest/gtest.h>

#include "ImageDecoders.h"
#include "platform/image/ImageFile.h"
#include "platform/image/SiteArchive.h"
#include "support/SeedCorpus.h"

TEST(ImageSeedCorpus, EveryFileReadsAsItsNameSays) {
    struct Corpus {
        const char* name;
        bool (*exercise)(std::span<const uint8_t>, std::string&);
        bool (*reads)(std::span<const uint8_t>);
    };
    const Corpus corpora[] = {
        {"image", imagefuzz::exerciseImageReader,
         [](std::span<const uint8_t> b) { return image::parseImage(b).image.has_value(); }},
        {"site", imagefuzz::exerciseSiteReader,
         [](std::span<const uint8_t> b) { return image::readSiteArchive(b).error.empty(); }},
    };
    for (const Corpus& corpus : corpora) {
        std::size_t files = 0;
        for (const testsupport::SeedFile& file : testsupport::seedCorpus(corpus.name)) {
            SCOPED_TRACE(file.name);
            std::string failure;
            EXPECT_TRUE(corpus.exercise(file.bytes, failure)) << failure;
            EXPECT_EQ(file.kind, corpus.name);
            ASSERT_TRUE(file.verdict == "ok" || file.verdict == "bad") << file.verdict;
            EXPECT_EQ(corpus.reads(file.bytes), file.verdict == "ok");
            ++files;
        }
        EXPECT_GE(files, 10u) << corpus.name;
    }
}
