// Replays the fuzzer's seed corpus. File names say what each file is and what the decoder must
// make of it: <frame|tcp|serial>-<ok|bad|partial>-<what>.bin.
#include <gtest/gtest.h>

#include "WireDecoders.h"
#include "platform/wire/FrameCodec.h"
#include "support/SeedCorpus.h"

TEST(SeedCorpus, EveryFileDecodesAsItsNameSays) {
    std::size_t files = 0;
    for (const testsupport::SeedFile& file : testsupport::seedCorpus("wire")) {
        SCOPED_TRACE(file.name);
        const auto& bytes = file.bytes;
        const std::string& link = file.kind;
        const std::string& verdict = file.verdict;
        std::string failure;
        EXPECT_TRUE(wirefuzz::exerciseWireDecoders(bytes, failure)) << failure;
        wirefuzz::StreamOutcome outcome;
        if (link == "frame") {
            auto frame = wire::decodeFrame(bytes);
            outcome = {frame.ok() ? 1u : 0u, frame.ok() ? 0u : 1u};
        } else if (link == "tcp") {
            outcome = wirefuzz::decodeTcpStream(bytes, 3);
        } else {
            ASSERT_EQ(link, "serial");
            outcome = wirefuzz::decodeSerialStream(bytes, 3);
        }
        if (verdict == "ok") {
            EXPECT_GT(outcome.frames, 0u);
        } else if (verdict == "bad") {
            EXPECT_EQ(outcome.frames, 0u);
            EXPECT_GT(outcome.errors, 0u);
        } else {
            ASSERT_EQ(verdict, "partial");
            EXPECT_EQ(outcome.frames, 0u);
        }
        ++files;
    }
    EXPECT_GE(files, 30u);
}
