// Replays the port-settings fuzzer's seed corpus. File names say what each file is and what
// the decoder must make of it: <settings|frame>-<ok|bad>-<what>.bin, where a frame is ok when
// it carries a port-settings command whose payload decodes.
#include <gtest/gtest.h>

#include "PortDecoders.h"
#include "platform/wire/FrameCodec.h"
#include "platform/wire/PortSettingsPayload.h"
#include "support/SeedCorpus.h"

namespace {

bool decodes(const testsupport::SeedFile& file) {
    if (file.kind == "settings") return wire::decodePortSettings(file.bytes).ok();
    auto frame = wire::decodeFrame(file.bytes);
    return frame.ok() && frame->command >= wire::code(wire::PortCommand::ReadPortSettings) &&
           frame->command <= wire::code(wire::PortCommand::EndSetup) &&
           wire::decodePortSettings(frame->payload).ok();
}

}  // namespace

TEST(PortSeedCorpus, EveryFileDecodesAsItsNameSays) {
    std::size_t files = 0;
    for (const testsupport::SeedFile& file : testsupport::seedCorpus("port")) {
        SCOPED_TRACE(file.name);
        std::string failure;
        EXPECT_TRUE(portfuzz::exercisePortDecoders(file.bytes, failure)) << failure;
        ASSERT_TRUE(file.kind == "settings" || file.kind == "frame") << file.kind;
        ASSERT_TRUE(file.verdict == "ok" || file.verdict == "bad") << file.verdict;
        EXPECT_EQ(decodes(file), file.verdict == "ok");
        ++files;
    }
    EXPECT_GE(files, 10u);
}
