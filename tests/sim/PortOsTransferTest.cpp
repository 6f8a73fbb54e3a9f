// The port's side of a TCP/IP Port OS upgrade: only a whole, checked image of its own port
// type changes the revision it reports, and the port restarts with it.
#include <gtest/gtest.h>

#include "platform/wire/Crc32.h"
#include "platform/wire/Request.h"
#include "sim/BoilerConfig.h"
#include "sim/Controller.h"
#include "sim/SimClient.h"

namespace {

using wire::ReplyCode;
using wire::TransferTarget;

constexpr wire::Address kSelf = simtest::kBoilerAddress;

sim::ControllerConfig portConfig() {
    sim::ControllerConfig c = simtest::boilerConfig();
    c.portOsRevision = "1.8";
    c.upgradeFileNumber = 18;
    return c;
}

TEST(PortOsTransfer, OnlyAWholeCheckedImageOfItsOwnPortTypeTakesEffect) {
    enum class Ending { Commit, BadChecksum, CommitEarly, RestartFirst };
    struct Case {
        const char* what;
        uint16_t portType;
        ReplyCode open;
        Ending ending;
        ReplyCode commit;  // when the open succeeded
        std::string revision;
    };
    const Case cases[] = {
        {"whole image", 18, ReplyCode::Ok, Ending::Commit, ReplyCode::Ok, "1.9"},
        {"foreign port type", 19, ReplyCode::Refused, Ending::Commit, ReplyCode::Ok, "1.8"},
        {"no port type", 0, ReplyCode::Refused, Ending::Commit, ReplyCode::Ok, "1.8"},
        {"wrong checksum", 18, ReplyCode::Ok, Ending::BadChecksum, ReplyCode::ChecksumMismatch,
         "1.8"},
        {"bytes missing", 18, ReplyCode::Ok, Ending::CommitEarly, ReplyCode::Incomplete, "1.8"},
        {"cut by a restart", 18, ReplyCode::Ok, Ending::RestartFirst, ReplyCode::NotFound, "1.8"},
    };
    const std::vector<uint8_t> image(6000, 0x5A);  // two blocks
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        sim::Controller port(portConfig(), sim::initialState(portConfig()));
        auto send = [&](const wire::Request& r) {
            sim::Outcome out = port.handle(simtest::request(kSelf, r));
            EXPECT_TRUE(out.reply.has_value());
            return out;
        };
        auto opened = send(wire::TransferOpenRequest{TransferTarget::PortOs, 0,
                                                     static_cast<uint32_t>(image.size()),
                                                     c.portType, "1.9"});
        ASSERT_EQ(opened.reply->code1, wire::code(c.open));
        if (c.open == ReplyCode::Ok) {
            const uint32_t id = wire::decodeTransferOpenReply(opened.reply->payload)->transfer;
            const std::size_t half = image.size() / 2;
            send(wire::TransferBlockRequest{id, 0, {image.begin(), image.begin() + half}});
            if (c.ending != Ending::CommitEarly)
                send(wire::TransferBlockRequest{id, static_cast<uint32_t>(half),
                                                {image.begin() + half, image.end()}});
            if (c.ending == Ending::RestartFirst) port.transfers.restart();
            const uint32_t crc = wire::crc32(image) ^ (c.ending == Ending::BadChecksum ? 1u : 0u);
            auto committed = send(wire::TransferCommitRequest{id, crc});
            EXPECT_EQ(committed.reply->code1, wire::code(c.commit));
            EXPECT_EQ(committed.restart == sim::Restart::Reboot, c.commit == ReplyCode::Ok)
                << "the port restarts with a new system only";
        }
        EXPECT_EQ(port.identity(4000).portOsRevision, c.revision);
        sim::ControllerState back;
        std::string error;
        ASSERT_TRUE(sim::parseState(sim::serializeState(port.state()), back, error)) << error;
        EXPECT_EQ(back.portOsRevision, c.revision) << "the state file keeps the revision";
    }
}

// Discovery reports the operating system that runs, also once kvxsim starts again from its
// state file: a script deciding upgrades from discovery must not upgrade again and again.
TEST(PortOsTransfer, DiscoveryReportsTheOperatingSystemACommitPutInPlace) {
    sim::ControllerConfig config = portConfig();
    config.osVersion = "3.1-0-12";
    sim::Controller controller(config, sim::initialState(config));
    ASSERT_EQ(controller.identity(4000).osVersion, "3.1-0-12");
    const std::vector<uint8_t> image(3000, 0x33);
    auto opened = controller.handle(simtest::request(
        kSelf, wire::TransferOpenRequest{TransferTarget::OperatingSystem, 0,
                                         static_cast<uint32_t>(image.size()), 0, "3.2-0-4"}));
    ASSERT_EQ(opened.reply->code1, wire::code(ReplyCode::Ok));
    const uint32_t id = wire::decodeTransferOpenReply(opened.reply->payload)->transfer;
    controller.handle(simtest::request(kSelf, wire::TransferBlockRequest{id, 0, image}));
    auto committed = controller.handle(
        simtest::request(kSelf, wire::TransferCommitRequest{id, wire::crc32(image)}));
    ASSERT_EQ(committed.reply->code1, wire::code(ReplyCode::Ok));
    EXPECT_EQ(controller.identity(4000).osVersion, "3.2-0-4");

    sim::ControllerState back;
    std::string error;
    ASSERT_TRUE(sim::parseState(sim::serializeState(controller.state()), back, error)) << error;
    EXPECT_EQ(sim::Controller(config, back).identity(4000).osVersion, "3.2-0-4");
    // A state file from before the version was kept in it: the network file's.
    back.osVersion.clear();
    EXPECT_EQ(sim::Controller(config, back).identity(4000).osVersion, "3.1-0-12");
}

}  // namespace
