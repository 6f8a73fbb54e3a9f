// Replays the handshake fuzzer's seed corpus. File names say what each file is and what its
// decoder must make of it: <hello|helloreply|proof|proofreply|sealed|frame>-<ok|bad>-<what>.bin.
#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "SecureDecoders.h"
#include "platform/wire/FrameCodec.h"
#include "platform/wire/SecurePayloads.h"
#include "support/SeedCorpus.h"

namespace {

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
    for (const testsupport::SeedFile& file : testsupport::seedCorpus("secure")) {
        SCOPED_TRACE(file.name);
        const auto& bytes = file.bytes;
        const std::string& kind = file.kind;
        const std::string& verdict = file.verdict;
        std::string failure;
        EXPECT_TRUE(securefuzz::exerciseSecureDecoders(bytes, failure)) << failure;
        ASSERT_TRUE(decoders().count(kind)) << "unknown kind " << kind;
        ASSERT_TRUE(verdict == "ok" || verdict == "bad") << verdict;
        EXPECT_EQ(decoders().at(kind)(bytes), verdict == "ok");
        ++files;
    }
    EXPECT_GE(files, 10u);
}
