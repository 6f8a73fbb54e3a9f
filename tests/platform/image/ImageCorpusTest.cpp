// Replays the image and site fuzzers' seed corpora. File names say what each file is and what
// its reader must make of it: <image|site>-<ok|bad>-<what>.bin.
#include <gtest/gtest.h>

#include "ImageDecoders.h"
#include "platform/image/ImageFile.h"
#include "platform/image/SiteArchive.h"
#include "support/SeedCorpus.h"

TEST(ImageSeedCorpus, EveryFileReadsAsItsNameSays) {
    const testsupport::SeedReplay corpora[] = {
        {"image", imagefuzz::exerciseImageReader,
         [](std::span<const uint8_t> b) { return image::parseImage(b).image.has_value(); }},
        {"site", imagefuzz::exerciseSiteReader,
         [](std::span<const uint8_t> b) { return image::readSiteArchive(b).error.empty(); }},
    };
    for (const testsupport::SeedReplay& corpus : corpora) testsupport::replaySeedCorpus(corpus);
}
