// Replays the fuzzer's seed corpus. File names say what each file is and what the decoder must
// make of it: <frame|tcp|serial>-<ok|bad|partial>-<what>.bin.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "WireDecoders.h"
#include "platform/wire/FrameCodec.h"

namespace fs = std::filesystem;

namespace {

fs::path corpusDir() {
    const char* source = std::getenv("KRELVAN_SOURCE_DIR");
    return fs::path(source ? source : ".") / "fuzz" / "corpus" / "wire";
}

std::vector<uint8_t> readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

TEST(SeedCorpus, EveryFileDecodesAsItsNameSays) {
    std::size_t files = 0;
    for (const auto& entry : fs::directory_iterator(corpusDir())) {
        const std::string name = entry.path().stem().string();
        SCOPED_TRACE(name);
        const auto bytes = readFile(entry.path());
        std::string failure;
        EXPECT_TRUE(wirefuzz::exerciseWireDecoders(bytes, failure)) << failure;

        const auto dash = name.find('-');
        const std::string link = name.substr(0, dash);
        const std::string verdict = name.substr(dash + 1, name.find('-', dash + 1) - dash - 1);
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
