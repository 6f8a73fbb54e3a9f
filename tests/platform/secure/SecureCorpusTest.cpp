// Replays the handshake fuzzer's seed corpus. File names say what each file is and what its
// decoder must make of it: <hello|helloreply|proof|proofreply|sealed|frame>-<ok|bad>-<what>.bin.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>

#include "SecureDecoders.h"
#include "platform/wire/FrameCodec.h"
#include "platform/wire/SecurePayloads.h"

namespace fs = std::filesystem;

namespace {

fs::path corpusDir() {
    const char* source = std::getenv("KRELVAN_SOURCE_DIR");
    return fs::path(source ? source : ".") / "fuzz" / "corpus" / "secure";
}

std::vector<uint8_t> readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

using Decodes = std::function<bool(std::span<const uint8_t>)>;

const std::map<std::string, Decodes>& decoders() {
    static const std::map<std::string, Decodes> table = {
        {"hello", [](auto b) { return wire::decodeHelloRequest(b).ok(); }},
        {"helloreply", [](auto b) { return wire::decodeHelloReply(b).ok(); }},
        {"proof", [](auto b) { return wire::decodeProofRequest(b).ok(); }},
        {"proofreply", [](auto b) { return wire::decodeProofReply(b).ok(); }},
        {"sealed", [](auto b) { return wire::decodeSealedPayload(b).ok(); }},
        {"frame",
         [](auto b) {
             auto f = wire::decodeFrame(b);
             return f.ok() && f->sealed;
         }},
    };
    return table;
}

}  // namespace

TEST(SecureSeedCorpus, EveryFileDecodesAsItsNameSays) {
    std::size_t files = 0;
    for (const auto& entry : fs::directory_iterator(corpusDir())) {
        const std::string name = entry.path().stem().string();
        SCOPED_TRACE(name);
        const auto bytes = readFile(entry.path());
        std::string failure;
        EXPECT_TRUE(securefuzz::exerciseSecureDecoders(bytes, failure)) << failure;

        const auto dash = name.find('-');
        const std::string kind = name.substr(0, dash);
        const std::string verdict = name.substr(dash + 1, name.find('-', dash + 1) - dash - 1);
        ASSERT_TRUE(decoders().count(kind)) << "unknown kind " << kind;
        ASSERT_TRUE(verdict == "ok" || verdict == "bad") << verdict;
        EXPECT_EQ(decoders().at(kind)(bytes), verdict == "ok");
        ++files;
    }
    EXPECT_GE(files, 10u);
}
