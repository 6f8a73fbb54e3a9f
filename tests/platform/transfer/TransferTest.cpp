// The transfer engine against kvxsim: loads that complete on TCP and serial, the refusals,
// cancel, the commit's verdicts, a controller that restarts mid-load, and the operating-system
// and older-controller targets; each with compressed blocks asked for and with plain ones.
#include <gtest/gtest.h>

#include "TransferRig.h"
#include "platform/wire/Crc32.h"
#include "platform/wire/ReplyCode.h"

using namespace transfertest;
using transfer::Ending;
using wire::ReplyCode;
using wire::TransferTarget;

namespace {

uint16_t codeOf(ReplyCode c) { return wire::code(c); }

class Transfer : public ::testing::TestWithParam<transfer::Compression> {
  protected:
    void SetUp() override {
        ASSERT_TRUE(rig.ready) << rig.sim->stderrText();
        rig.compression = GetParam();
    }
    bool compressing() const { return GetParam() == transfer::Compression::Auto; }
    Rig rig;
};

}  // namespace

INSTANTIATE_TEST_SUITE_P(Transfer, Transfer,
                         ::testing::Values(transfer::Compression::Auto, transfer::Compression::Off),
                         [](const auto& info) {
                             return info.param == transfer::Compression::Auto ? "Compressed" : "Plain";
                         });

TEST_P(Transfer, LoadsArriveWholeOnTcpAndSerialWithProgressPerWindow) {
    for (int32_t link : {kGate, kSerial}) {
        SCOPED_TRACE(Rig::idOf(link));
        const auto image = makeImage(5 * wire::kMaxBlockData + 123, 7 + link);
        std::vector<uint64_t> seen;
        const auto result = rig.load(rig.job(link, image), [&](const transfer::Progress& p) {
            seen.push_back(p.acknowledged);
            EXPECT_EQ(p.total, image.size());
            return true;
        });
        ASSERT_EQ(result.ending, Ending::Completed) << result.message;
        EXPECT_EQ(result.storedChecksum, wire::crc32(image));
        EXPECT_EQ(rig.partitionChecksum(link, 17), wire::crc32(image));
        EXPECT_EQ(result.bytesResent, 0u) << "nothing re-sent on a clean line";
        EXPECT_GT(result.elapsed.count(), 0);
        if (compressing() && link == kSerial) {
            // A serial line is slow enough for deflate from the first block.
            EXPECT_GE(result.compressedBlocks, 2u);
            EXPECT_LT(result.bytesSent, image.size() * 3 / 4);
            EXPECT_EQ(rig.transferFigure(link, "compressed_blocks"), result.compressedBlocks);
        } else if (compressing()) {
            // Granted, but a loopback path is far too quick for deflate to pay: plain blocks,
            // each with its form byte.
            EXPECT_EQ(result.compressedBlocks, 0u);
            EXPECT_EQ(result.bytesSent, image.size() + 6);
        } else {
            EXPECT_EQ(result.compressedBlocks, 0u);
            EXPECT_EQ(result.bytesSent, image.size());
            EXPECT_EQ(rig.transferFigure(link, "compressed_blocks"), 0u);
        }
        ASSERT_GE(seen.size(), 2u);
        EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
        EXPECT_EQ(seen.back(), image.size());
        EXPECT_EQ(rig.readInt(link, 241, 88, wire::VarType::Int), 16) << "active partition kept";
    }
}

TEST_P(Transfer, ControllerRefusesWhatItCannotTake) {
    const auto image = makeImage(1000, 1);
    struct Row {
        const char* what;
        transfer::Job job;
        ReplyCode expected;
    };
    auto job = [&](int32_t link, uint8_t partition, TransferTarget target = TransferTarget::Partition) {
        return rig.job(link, image, partition, target);
    };
    auto otherModel = job(kGate, 17);
    otherModel.model = 201;
    const std::vector<Row> rows = {
        {"unknown partition", job(kGate, 99), ReplyCode::NotFound},
        {"larger than the partition's maximum size", job(kGate, 18), ReplyCode::OutOfRange},
        {"the active partition", job(kGate, 16), ReplyCode::Refused},
        {"another model's image", otherModel, ReplyCode::Refused},
        {"application target on a controller with partitions",
         job(kGate, 0, TransferTarget::LegacyApplication), ReplyCode::Refused},
        {"partition on an older controller", job(kOld, 17), ReplyCode::Refused},
        {"port target of another port type", job(kGate, 0, TransferTarget::PortOs),
         ReplyCode::Refused},
    };
    for (const Row& row : rows) {
        const auto result = rig.load(row.job);
        EXPECT_EQ(result.ending, Ending::Failed) << row.what;
        EXPECT_EQ(result.code1, codeOf(row.expected)) << row.what << ": " << result.message;
        EXPECT_FALSE(result.message.empty()) << row.what;
    }
    transfer::Job longName = job(kGate, 17);
    longName.name.assign(256, 'n');
    EXPECT_EQ(rig.load(longName).code1, codeOf(ReplyCode::OutOfRange)) << "refused before sending";
    const std::vector<uint8_t> empty;
    EXPECT_EQ(rig.load(rig.job(kGate, empty)).code1, codeOf(ReplyCode::OutOfRange));
    transfer::Job none = job(kGate, 17);
    none.link = 42;
    EXPECT_EQ(rig.load(none).code1, codeOf(ReplyCode::NotStarted));
}

TEST_P(Transfer, SecondTransferAndActivationAreBusyWhileOneIsOpen) {
    const auto image = makeImage(3 * wire::kMaxBlockData, 2);
    bool checked = false;
    const auto result = rig.load(rig.job(kGate, image), [&](const transfer::Progress& p) {
        if (p.acknowledged == 0 || checked) return true;
        checked = true;
        // From inside the load, with blocks in flight on the same link: the requests travel
        // with them, and the controller is busy with the load.
        const auto other = makeImage(100, 3);
        EXPECT_EQ(transfer::TransferEngine(rig.links).run(rig.job(kOld, other, 0,
                                                                  TransferTarget::LegacyApplication),
                                                          {})
                      .ending,
                  Ending::Completed)
            << "another controller is not affected";
        comm::ExchangeEngine& gate = *rig.links.engine(kGate);
        auto second = gate.run(wire::kDirectAddress,
                               wire::TransferOpenRequest{TransferTarget::Partition, 17, 10, 0, "x"});
        EXPECT_EQ(second.reply.code1, codeOf(ReplyCode::Busy));
        auto activate = gate.run(wire::kDirectAddress, wire::TelegramRequest{0, {0x61, 17, 0}});
        EXPECT_EQ(activate.reply.code1, codeOf(ReplyCode::Busy));
        return true;
    });
    EXPECT_TRUE(checked);
    ASSERT_EQ(result.ending, Ending::Completed) << result.message;
    auto activate = rig.links.engine(kGate)->run(wire::kDirectAddress,
                                                 wire::TelegramRequest{0, {0x61, 17, 0}});
    EXPECT_EQ(activate.reply.code1, codeOf(ReplyCode::Ok)) << "free again after the commit";
}

// Every byte staged, the commit held: the running program can be stopped and a new one
// started around the commit, while what could disturb the staged image stays busy.
TEST_P(Transfer, FullyStagedTransferLetsTheProgramStopAroundItsCommit) {
    comm::ExchangeEngine& gate = *rig.links.engine(kGate);
    auto code = [&](const wire::Request& request) {
        return gate.run(wire::kDirectAddress, request).reply.code1;
    };
    auto activate = [&](uint8_t partition) {
        return code(wire::TelegramRequest{0, {0x61, partition, 0}});
    };
    const auto image = makeImage(3 * wire::kMaxBlockData, 4);
    transfer::Job held = rig.job(kGate, image);
    held.holdCommit = true;
    const auto staged = rig.load(held);
    ASSERT_EQ(staged.ending, Ending::Completed) << staged.message;

    EXPECT_EQ(code(wire::TransferOpenRequest{TransferTarget::Partition, 18, 10, 0, "x"}),
              codeOf(ReplyCode::Busy));
    wire::PartitionChange remove;
    remove.action = wire::PartitionAction::Remove;
    remove.partition = 18;
    EXPECT_EQ(code(wire::PartitionTableRequest{{remove}}),
              codeOf(ReplyCode::Busy));
    EXPECT_EQ(activate(17), codeOf(ReplyCode::Busy)) << "the staged partition";
    EXPECT_EQ(activate(14), codeOf(ReplyCode::Ok)) << "the program stops before the commit";
    EXPECT_EQ(rig.readInt(kGate, 241, 88, wire::VarType::Int), 14);
    EXPECT_EQ(code(wire::TransferCommitRequest{staged.transfer, wire::crc32(image)}),
              codeOf(ReplyCode::Ok));
    EXPECT_EQ(activate(17), codeOf(ReplyCode::Ok));
    EXPECT_EQ(rig.readInt(kGate, 241, 88, wire::VarType::Int), 17);
    EXPECT_EQ(rig.partitionChecksum(kGate, 17), wire::crc32(image));

    // An older controller: stop and start around the commit of its application.
    comm::ExchangeEngine& old = *rig.links.engine(kOld);
    const auto app = makeImage(2000, 5);
    transfer::Job heldApp = rig.job(kOld, app, 0, TransferTarget::LegacyApplication);
    heldApp.holdCommit = true;
    const auto appStaged = rig.load(heldApp);
    ASSERT_EQ(appStaged.ending, Ending::Completed) << appStaged.message;
    for (auto action : {wire::ApplicationAction::Stop, wire::ApplicationAction::Clear}) {
        EXPECT_EQ(old.run(wire::kDirectAddress, wire::ApplicationControlRequest{action}).reply.code1,
                  codeOf(ReplyCode::Ok));
    }
    EXPECT_EQ(old.run(wire::kDirectAddress,
                      wire::TransferCommitRequest{appStaged.transfer, wire::crc32(app)})
                  .reply.code1,
              codeOf(ReplyCode::Ok));
    EXPECT_EQ(rig.imageChecksum(kOld, 0), wire::crc32(app));
}

TEST_P(Transfer, CancelAndRefusedOrCorruptCommitKeepTheOldImage) {
    const auto first = makeImage(2 * wire::kMaxBlockData, 10);
    ASSERT_EQ(rig.load(rig.job(kGate, first)).ending, Ending::Completed);
    const uint32_t old = wire::crc32(first);

    const auto second = makeImage(6 * wire::kMaxBlockData, 11);
    int calls = 0;
    auto cancelled = rig.load(rig.job(kGate, second), [&](const transfer::Progress& p) {
        ++calls;
        return p.acknowledged == 0;
    });
    EXPECT_EQ(cancelled.ending, Ending::Cancelled);
    EXPECT_EQ(calls, 2) << "cancel takes effect at the next window";
    EXPECT_EQ(rig.partitionChecksum(kGate, 17), old);

    struct Row {
        const char* knob;
        ReplyCode code;
        bool oldKept;
    };
    for (const Row& row : {Row{"refuse_commit", ReplyCode::Refused, true},
                           Row{"corrupt_commit", ReplyCode::ChecksumMismatch, false}}) {
        SCOPED_TRACE(row.knob);
        ASSERT_EQ(rig.control(std::string("fault Gate ") + row.knob + " 1"), "ok");
        const auto result = rig.load(rig.job(kGate, second));
        EXPECT_EQ(result.ending, Ending::Failed);
        EXPECT_EQ(result.code1, codeOf(row.code)) << result.message;
        if (row.oldKept) {
            EXPECT_EQ(rig.partitionChecksum(kGate, 17), old);
        }
        ASSERT_EQ(rig.control("clear Gate"), "ok");
    }
    // Nothing was left open: a clean load goes through.
    EXPECT_EQ(rig.load(rig.job(kGate, second)).ending, Ending::Completed);
    EXPECT_EQ(rig.partitionChecksum(kGate, 17), wire::crc32(second));
}

TEST_P(Transfer, ControllerThatRestartsMidLoadIsLoadedFromTheStart) {
    for (int32_t link : {kGate, kSerial}) {
        SCOPED_TRACE(Rig::idOf(link));
        const std::string id = Rig::idOf(link);
        ASSERT_EQ(rig.control("fault " + id + " restart_ms 150"), "ok");
        ASSERT_EQ(rig.control("fault " + id + " restart_after_blocks 3"), "ok");
        const auto image = makeImage(8 * wire::kMaxBlockData, 20 + link);
        const auto result = rig.load(rig.job(link, image));
        ASSERT_EQ(result.ending, Ending::Completed) << result.message;
        EXPECT_GE(result.resumes, 1u);
        EXPECT_EQ(rig.partitionChecksum(link, 17), wire::crc32(image));
    }
}

// A load that gives up after losing its controller drops the staging, so the next load is not
// refused as busy; a Cancel during the wait for a restarting controller ends it at once.
TEST_P(Transfer, GivingUpDropsTheStagingAndCancelEndsTheReconnectWait) {
    const auto image = makeImage(8 * wire::kMaxBlockData, 40);
    rig.tuning.maxResumes = 0;
    ASSERT_EQ(rig.control("fault Gate cut_after_request_bytes 12000"), "ok");
    const auto cut = rig.load(rig.job(kGate, image));
    EXPECT_EQ(cut.ending, Ending::Failed);
    rig.tuning = {};
    const auto next = rig.load(rig.job(kGate, image));
    EXPECT_EQ(next.ending, Ending::Completed) << next.message;
    EXPECT_EQ(rig.partitionChecksum(kGate, 17), wire::crc32(image));

    ASSERT_EQ(rig.control("fault Gate restart_ms 4000"), "ok");
    ASSERT_EQ(rig.control("fault Gate restart_after_blocks 3"), "ok");
    const auto other = makeImage(8 * wire::kMaxBlockData, 41);
    uint64_t last = UINT64_MAX;
    int sameTwice = 0;
    const auto waited = rig.load(rig.job(kGate, other), [&](const transfer::Progress& p) {
        // The same figure again: the engine is waiting for the controller, not loading.
        sameTwice = p.acknowledged == last ? sameTwice + 1 : 0;
        last = p.acknowledged;
        return sameTwice < 2;
    });
    EXPECT_EQ(waited.ending, Ending::Cancelled) << waited.message;
    ASSERT_TRUE(rig.waitAnswering(kGate));
    EXPECT_EQ(rig.partitionChecksum(kGate, 17), wire::crc32(image));
}

TEST_P(Transfer, OperatingSystemAndOlderControllersApplication) {
    const auto app = makeImage(3000, 30);
    auto legacy = rig.load(rig.job(kOld, app, 0, TransferTarget::LegacyApplication));
    ASSERT_EQ(legacy.ending, Ending::Completed) << legacy.message;
    EXPECT_EQ(rig.imageChecksum(kOld, 0), wire::crc32(app));

    ASSERT_EQ(rig.control("fault Gate restart_ms 100"), "ok");
    const auto os = makeImage(2 * wire::kMaxBlockData + 5, 31);
    auto job = rig.job(kGate, os, 0, TransferTarget::OperatingSystem);
    job.name = "4.13-0-7";
    auto result = rig.load(job);
    ASSERT_EQ(result.ending, Ending::Completed) << result.message;
    ASSERT_TRUE(rig.waitAnswering(kGate)) << "the controller comes back after its restart";
    EXPECT_EQ(rig.imageChecksum(kGate, 1), wire::crc32(os));
    EXPECT_EQ(rig.readInt(kGate, 241, 92, wire::VarType::Int), 4);
    EXPECT_EQ(rig.readInt(kGate, 241, 93, wire::VarType::Int), 13);
    EXPECT_EQ(rig.readInt(kGate, 241, 95, wire::VarType::Int), 7);
}
