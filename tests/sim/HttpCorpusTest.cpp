// Replays the web server fuzzer's seed corpus: head-<ok|bad>-<what>.bin, ok when the head
// gets a file of the site (200), bad when it gets a refusal.
#include <gtest/gtest.h>

#include "HttpHead.h"
#include "support/SeedCorpus.h"

TEST(HttpSeedCorpus, EveryHeadIsAnsweredAsItsNameSays) {
    std::size_t files = 0;
    for (const testsupport::SeedFile& file : testsupport::seedCorpus("http")) {
        SCOPED_TRACE(file.name);
        std::string failure;
        EXPECT_TRUE(httpfuzz::exerciseHttpHead(file.bytes, failure)) << failure;
        EXPECT_EQ(file.kind, "head");
        EXPECT_EQ(httpfuzz::answeredWithFile(file.bytes), file.verdict == "ok");
        ++files;
    }
    EXPECT_GE(files, 10u);
}
