// The controller's answers, straight from its state: no links involved.
#include <gtest/gtest.h>

#include <set>

#include "platform/wire/Bytes.h"
#include "platform/wire/Crc32.h"
#include "platform/wire/Request.h"
#include "platform/wire/Telegram.h"
#include "sim/Controller.h"
#include "sim/SimClient.h"
#include "sim/SystemVariables.h"
#include "sim/Transfers.h"

namespace {

using simtest::readVar;
using simtest::telegram;
using simtest::writeVar;
using wire::Address;
using wire::ReplyCode;
using wire::Value;
using wire::VarType;

constexpr Address kSelf{1, 5};

sim::ControllerConfig config(bool kvxrealC = true) {
    sim::ControllerConfig c;
    c.id = "Boiler";
    c.serialNumber = "SN1";
    c.kvxrealC = kvxrealC;
    c.address = kSelf;
    c.extraAddresses = {{255, 31}};
    c.modelNumber = 300;
    c.variables = {
        {{1, VarType::Boolean, 300, 1}, Value::boolean(false)},
        {{1, VarType::SmallInt, 300, 2}, Value::smallInt(7)},
        {{1, VarType::Int, 300, 3}, Value::int16(-300)},
        {{1, VarType::Real, 300, 4}, Value::real32(21.5f)},
        {{1, VarType::Text, 300, 5}, Value::oemText("Pump")},
        {{1, VarType::Long, 300, 6}, Value::long32(123456)},
        {{5, VarType::Int, 301, 1}, Value::int16(4)},
        {{3, VarType::Boolean, 250, 32}, Value::boolean(false)},
    };
    if (kvxrealC) {
        sim::PartitionConfig p;
        p.number = 16;
        p.name = "Heating";
        p.maxSize = 1 << 20;
        p.title = "Heating 3.1";
        c.partitions.push_back(p);
        p.number = 32;
        p.name = "Spare";
        c.partitions.push_back(p);
    }
    return c;
}

struct ControllerTest : ::testing::Test {
    sim::Controller controller{config(), sim::initialState(config())};

    wire::Frame answer(const wire::Frame& request) {
        auto outcome = controller.handle(request);
        EXPECT_TRUE(outcome.reply.has_value());
        return outcome.reply.value_or(wire::Frame{});
    }
    ReplyCode code(const wire::Frame& request) { return ReplyCode(answer(request).code1); }
    std::string controllerText(uint8_t partition, uint16_t attribute) {
        namespace tg = wire::telegram;
        auto reply =
            answer(telegram(kSelf, tg::buildTelegram(tg::GetTextAttribute{partition, attribute})));
        return {reply.payload.begin(), reply.payload.end()};
    }
    Value read(VarType type, uint16_t file, int32_t index, uint8_t kind = 1) {
        auto reply = answer(readVar(kSelf, kind, type, file, index));
        EXPECT_EQ(reply.code1, 0);
        return wire::decodeReadReply(reply.payload)->value;
    }
};

TEST_F(ControllerTest, EveryTypeReadsAndWritesBack) {
    const std::vector<std::pair<int32_t, Value>> writes = {
        {1, Value::boolean(true)},  {2, Value::smallInt(-2)},        {3, Value::int16(32767)},
        {4, Value::real32(-0.25f)}, {5, Value::oemText("Fl\x84kt")}, {6, Value::long32(-70000)},
    };
    for (const auto& [index, value] : writes) {
        SCOPED_TRACE(index);
        EXPECT_EQ(code(writeVar(kSelf, 1, 300, index, value)), ReplyCode::Ok);
        EXPECT_EQ(read(value.type, 300, index), value);
    }
    EXPECT_EQ(read(VarType::Int, 301, 1, 5), Value::int16(4));
}

TEST_F(ControllerTest, WrongTypeUnknownVariableAndWriteOnlyKind) {
    EXPECT_EQ(code(readVar(kSelf, 1, VarType::Int, 300, 2)), ReplyCode::WrongType);
    EXPECT_EQ(code(writeVar(kSelf, 1, 300, 5, Value::long32(1))), ReplyCode::WrongType);
    EXPECT_EQ(code(readVar(kSelf, 1, VarType::Int, 300, 99)), ReplyCode::NoSuchVariable);
    EXPECT_EQ(code(writeVar(kSelf, 1, 999, 0, Value::int16(1))), ReplyCode::NoSuchVariable);
    // kind 3 is write only
    EXPECT_EQ(code(writeVar(kSelf, 3, 250, 32, Value::boolean(true))), ReplyCode::Ok);
    EXPECT_EQ(code(readVar(kSelf, 3, VarType::Boolean, 250, 32)), ReplyCode::Refused);
    EXPECT_EQ(code(readVar(kSelf, 1, VarType::Boolean, 250, 32)), ReplyCode::NoSuchVariable);
    // a kind-5 variable is not reached through the segment form
    EXPECT_EQ(code(readVar(kSelf, 1, VarType::Int, 301, 1)), ReplyCode::NoSuchVariable);
    // unknown command and a malformed payload
    wire::Frame odd = readVar(kSelf, 1, VarType::Int, 300, 3);
    odd.command = 0x77;
    EXPECT_EQ(code(odd), ReplyCode::UnknownCommand);
    odd.command = 0x01;
    odd.payload.pop_back();
    EXPECT_EQ(code(odd), ReplyCode::BadRequest);
}

TEST_F(ControllerTest, BatchWritesAllOrNothing) {
    wire::WriteBatchRequest bad{{{{1, VarType::SmallInt, 300, 2}, Value::smallInt(9)},
                                 {{1, VarType::Long, 300, 2}, Value::long32(9)}}};
    auto reply = answer(simtest::request(kSelf, bad));
    EXPECT_EQ(reply.code1, wire::code(ReplyCode::WrongType));
    EXPECT_EQ(reply.code2, 2);
    EXPECT_EQ(read(VarType::SmallInt, 300, 2), Value::smallInt(7));

    wire::WriteBatchRequest good{{{{1, VarType::SmallInt, 300, 2}, Value::smallInt(9)},
                                  {{1, VarType::Text, 300, 5}, Value::oemText("Fan")}}};
    auto outcome = controller.handle(simtest::request(kSelf, good));
    EXPECT_EQ(outcome.reply->code1, 0);
    EXPECT_TRUE(outcome.changed);
    EXPECT_EQ(read(VarType::SmallInt, 300, 2), Value::smallInt(9));
    EXPECT_EQ(read(VarType::Text, 300, 5), Value::oemText("Fan"));
}

TEST_F(ControllerTest, WritingPlaAndElaMovesTheController) {
    EXPECT_TRUE(controller.answersAt(kSelf, false));
    EXPECT_TRUE(controller.answersAt({255, 30}, true));
    EXPECT_FALSE(controller.answersAt({255, 30}, false));
    EXPECT_TRUE(controller.answersAt({255, 31}, false));

    EXPECT_EQ(code(writeVar(kSelf, 1, 241, 0, Value::smallInt(12))), ReplyCode::Ok);
    EXPECT_EQ(code(writeVar({12, 5}, 1, 241, 1, Value::smallInt(3))), ReplyCode::Ok);
    EXPECT_EQ(controller.address(), (Address{12, 3}));
    EXPECT_FALSE(controller.answersAt(kSelf, false));
    auto poll = answer(telegram({12, 3}, {0x98}));
    EXPECT_EQ(poll.payload, (std::vector<uint8_t>{12, 3}));
    // 255 and 0 are no user addresses
    EXPECT_EQ(code(writeVar({12, 3}, 1, 241, 0, Value::smallInt(255))), ReplyCode::OutOfRange);
    EXPECT_EQ(code(writeVar({12, 3}, 1, 241, 1, Value::smallInt(0))), ReplyCode::OutOfRange);
    EXPECT_EQ(controller.address(), (Address{12, 3}));
}

TEST_F(ControllerTest, StartTelegrams) {
    auto cool = controller.handle(telegram(kSelf, {0x45, 0xBA}, 2));
    EXPECT_EQ(cool.reply->code1, 0);
    EXPECT_EQ(cool.restart, sim::Restart::Cool);
    EXPECT_EQ(controller.address(), kSelf);

    EXPECT_EQ(code(telegram(kSelf, {0x1C, 0x00})), ReplyCode::BadRequest);
    auto cold = controller.handle(telegram(kSelf, {0x1C, 0xE3}, 2));
    EXPECT_EQ(cold.reply->code1, 0);
    EXPECT_EQ(cold.restart, sim::Restart::Cold);
    EXPECT_TRUE(cold.changed);
    EXPECT_EQ(controller.address(), wire::kColdStartAddress);
    EXPECT_EQ(code(telegram(kSelf, {0x99})), ReplyCode::UnknownCommand);
}

TEST_F(ControllerTest, ActivateSetsActivePartitionAndSubApplication) {
    EXPECT_EQ(code(telegram(kSelf, {0x61, 32, 3})), ReplyCode::Ok);
    EXPECT_EQ(read(VarType::Int, 241, 88), Value::int16(32));
    for (const auto& v : sim::systemVariables(true)) {
        if (v.name == "QSystem.ActiveSubApplication") {
            EXPECT_EQ(read(v.variable.value.type, v.file, v.index).integer, 3);
        }
    }
    EXPECT_EQ(code(telegram(kSelf, {0x61, 14, 0})), ReplyCode::Ok);
    EXPECT_EQ(read(VarType::Int, 241, 88), Value::int16(14));
    EXPECT_EQ(code(telegram(kSelf, {0x61, 20, 0})), ReplyCode::NotFound);
    EXPECT_EQ(read(VarType::Int, 241, 88), Value::int16(14));
}

TEST_F(ControllerTest, PartitionServices) {
    namespace tg = wire::telegram;
    auto list = answer(telegram(kSelf, tg::buildTelegram(tg::ListPartitions{})));
    EXPECT_EQ(list.payload, (std::vector<uint8_t>{16, 32}));

    auto size = answer(telegram(kSelf, tg::buildTelegram(tg::GetNumberAttribute{16, 9})));
    EXPECT_EQ(size.payload, (std::vector<uint8_t>{0, 0, 0x10, 0}));
    EXPECT_EQ(code(telegram(kSelf, tg::buildTelegram(tg::SetNumberAttribute{16, 7, 86400}))),
              ReplyCode::Ok);
    auto time = answer(telegram(kSelf, tg::buildTelegram(tg::GetNumberAttribute{16, 7})));
    EXPECT_EQ(wire::ByteReader(time.payload).i32(), 86400);

    EXPECT_EQ(code(telegram(kSelf, tg::buildTelegram(tg::SetTextAttribute{32, 2, "Lights"}))),
              ReplyCode::Ok);
    auto name = answer(telegram(kSelf, tg::buildTelegram(tg::GetTextAttribute{32, 2})));
    EXPECT_EQ(std::string(name.payload.begin(), name.payload.end()), "Lights");
    auto title = answer(telegram(kSelf, tg::buildTelegram(tg::GetTextAttribute{16, 110})));
    EXPECT_EQ(std::string(title.payload.begin(), title.payload.end()), "Heating 3.1");

    EXPECT_EQ(code(telegram(kSelf, tg::buildTelegram(tg::GetTextAttribute{16, 9}))),
              ReplyCode::WrongType);
    EXPECT_EQ(code(telegram(kSelf, tg::buildTelegram(tg::SetNumberAttribute{16, 2, 1}))),
              ReplyCode::WrongType);
    EXPECT_EQ(code(telegram(kSelf, tg::buildTelegram(tg::GetNumberAttribute{17, 9}))),
              ReplyCode::NotFound);
    EXPECT_EQ(code(telegram(kSelf, tg::buildTelegram(tg::GetNumberAttribute{16, 3}))),
              ReplyCode::NotFound);
}

TEST_F(ControllerTest, PartitionTextsHoldAt127BytesAndLongerOnesAreRefused) {
    struct Case {
        std::size_t length;
        ReplyCode code;
    };
    namespace tg = wire::telegram;
    for (const Case& c : {Case{0, ReplyCode::Ok}, Case{127, ReplyCode::Ok},
                          Case{128, ReplyCode::OutOfRange}, Case{255, ReplyCode::OutOfRange}}) {
        SCOPED_TRACE(c.length);
        const std::string before = controllerText(16, 110);
        const std::string text(c.length, 'x');
        EXPECT_EQ(code(telegram(kSelf, tg::buildTelegram(tg::SetTextAttribute{16, 110, text}))),
                  c.code);
        EXPECT_EQ(controllerText(16, 110), c.code == ReplyCode::Ok ? text : before);
    }
}

TEST(OlderController, HasNoPartitionsAndNoOperatingSystemText) {
    sim::Controller older(config(false), sim::initialState(config(false)));
    auto list = older.handle(telegram(kSelf, {0xCB, 0, 4, 0, 0, 0, 1, 0, 0, 0}));
    EXPECT_EQ(list.reply->code1, wire::code(ReplyCode::UnknownCommand));
    auto activate = older.handle(telegram(kSelf, {0x61, 16, 0}));
    EXPECT_EQ(activate.reply->code1, wire::code(ReplyCode::UnknownCommand));
    // how the program tells a KVXreal C controller: the operating-system text exists
    auto os = older.handle(readVar(kSelf, 1, VarType::Text, 241, 60));
    EXPECT_EQ(os.reply->code1, wire::code(ReplyCode::NoSuchVariable));
    auto type = older.handle(readVar(kSelf, 1, VarType::Int, 241, 36));
    EXPECT_EQ(type.reply->code1, 0);
}

// An older controller's application must fit its flash (FlashSize, else 8 MiB); what is staged
// takes memory as it arrives, never what an open claims.
TEST(OlderController, AnApplicationFitsTheFlashAndIsStagedAsItArrives) {
    struct Row {
        const char* what;
        int32_t flashSize;
        uint32_t size;
        ReplyCode expected;
    };
    const Row rows[] = {
        {"4 GiB", 0, 0xFFFFFFFFu, ReplyCode::OutOfRange},
        {"just over the default flash", 0, (8u << 20) + 1, ReplyCode::OutOfRange},
        {"the default flash", 0, 8u << 20, ReplyCode::Ok},
        {"4 GiB, a flash of its own", 1 << 20, 0xFFFFFFFFu, ReplyCode::OutOfRange},
        {"just over its flash", 1 << 20, (1u << 20) + 1, ReplyCode::OutOfRange},
        {"its flash", 1 << 20, 1u << 20, ReplyCode::Ok},
        {"a small application", 0, 30000, ReplyCode::Ok},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        sim::ControllerConfig c = config(false);
        c.flashSize = row.flashSize;
        sim::Controller older(c, sim::initialState(c));
        auto send = [&](const wire::Request& r) {
            return older.handle(simtest::request(kSelf, r)).reply.value_or(wire::Frame{});
        };
        const auto opened = send(wire::TransferOpenRequest{wire::TransferTarget::LegacyApplication,
                                                           0, row.size, 300, "App"});
        ASSERT_EQ(ReplyCode(opened.code1), row.expected);
        EXPECT_EQ(older.transfers.stagingCapacity(), 0u) << "nothing reserved at the open";
        if (row.expected != ReplyCode::Ok) {
            EXPECT_FALSE(older.transfers.isOpen());
            continue;
        }
        const uint32_t id = wire::decodeTransferOpenReply(opened.payload)->transfer;
        std::vector<uint8_t> image;
        for (uint32_t at = 0; at < std::min<uint32_t>(row.size, 30000); at += 3000) {
            std::vector<uint8_t> block(3000);
            for (std::size_t i = 0; i < block.size(); ++i)
                block[i] = static_cast<uint8_t>((at + i) * 7);
            ASSERT_EQ(send(wire::TransferBlockRequest{id, at, block}).code1, 0);
            image.insert(image.end(), block.begin(), block.end());
            EXPECT_LE(older.transfers.stagingCapacity(), 2 * image.size()) << at;
        }
        if (image.size() != row.size) continue;
        ASSERT_EQ(send(wire::TransferCommitRequest{id, wire::crc32(image)}).code1, 0);
        const auto stored = older
                                .handle(readVar(kSelf, 1, VarType::Long, sim::kImageFile,
                                                sim::kApplicationChecksumIndex))
                                .reply.value_or(wire::Frame{});
        ASSERT_EQ(stored.code1, 0);
        EXPECT_EQ(static_cast<uint32_t>(wire::decodeReadReply(stored.payload)->value.integer),
                  wire::crc32(image));
    }
}

// What an older controller gives back is what its commit stored, byte for byte, piece by
// piece, across a restart from its state file; one built before the read does not answer it.
TEST(OlderController, GivesBackTheApplicationItHoldsExactly) {
    sim::ControllerConfig c = config(false);
    sim::Controller older(c, sim::initialState(c));
    auto send = [](sim::Controller& to, const wire::Request& r) {
        return to.handle(simtest::request(kSelf, r)).reply.value_or(wire::Frame{});
    };
    auto read = [&](sim::Controller& from, wire::ReadPart part, uint32_t offset, uint16_t n) {
        const auto f = send(from, wire::TransferReadRequest{
                                      wire::TransferTarget::LegacyApplication, part, offset, n});
        EXPECT_EQ(f.code1, 0);
        auto piece = wire::decodeTransferReadReply(f.payload);
        EXPECT_TRUE(piece);
        return piece ? *piece : wire::TransferReadReply{};
    };
    std::vector<uint8_t> image(9000);
    for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i * 11 + 5);
    const auto opened = send(older, wire::TransferOpenRequest{
                                        wire::TransferTarget::LegacyApplication, 0, 9000, 0, "A"});
    const uint32_t id = wire::decodeTransferOpenReply(opened.payload)->transfer;
    for (uint32_t at = 0; at < image.size(); at += 3000) {
        const std::vector<uint8_t> block(image.begin() + at, image.begin() + at + 3000);
        ASSERT_EQ(send(older, wire::TransferBlockRequest{id, at, block}).code1, 0);
    }
    const std::vector<uint8_t> head = {0x4B, 0x52, 0x01};
    ASSERT_EQ(send(older, wire::TransferCommitRequest{id, wire::crc32(image), head,
                                                      std::vector<uint8_t>(64, 0x22)})
                  .code1,
              0);

    sim::ControllerState saved;
    std::string error;
    ASSERT_TRUE(sim::parseState(sim::serializeState(older.state()), saved, error)) << error;
    sim::Controller restarted(c, saved);
    for (sim::Controller* from : {&older, &restarted}) {
        std::vector<uint8_t> back;
        while (back.size() < image.size()) {
            const auto piece = read(*from, wire::ReadPart::Image, uint32_t(back.size()), 4000);
            ASSERT_EQ(piece.totalSize, 9000u);
            ASSERT_EQ(piece.checksum, wire::crc32(image));
            ASSERT_FALSE(piece.data.empty());
            back.insert(back.end(), piece.data.begin(), piece.data.end());
        }
        EXPECT_EQ(back, image);
        EXPECT_EQ(read(*from, wire::ReadPart::Image, 0, 0).state, wire::ApplicationState::Running);
        const auto signedPart = read(*from, wire::ReadPart::Signature, 0, 4000);
        EXPECT_EQ(signedPart.data.size(), 2u + head.size() + 64u);
        EXPECT_EQ(signedPart.data[0], head.size());
        EXPECT_EQ(send(*from, wire::TransferReadRequest{wire::TransferTarget::LegacyApplication,
                                                         wire::ReadPart::Image, 9001, 1})
                      .code1,
                  wire::code(ReplyCode::OutOfRange));
    }

    // Stopped and cleared: nothing to give.
    send(older, wire::ApplicationControlRequest{wire::ApplicationAction::Stop});
    EXPECT_EQ(read(older, wire::ReadPart::Image, 0, 0).state, wire::ApplicationState::Stopped);
    send(older, wire::ApplicationControlRequest{wire::ApplicationAction::Clear});
    const auto none = read(older, wire::ReadPart::Image, 0, 100);
    EXPECT_EQ(none.state, wire::ApplicationState::None);
    EXPECT_TRUE(none.data.empty());

    c.imageRead = false;
    sim::Controller before(c, sim::initialState(c));
    EXPECT_EQ(send(before, wire::TransferReadRequest{}).code1,
              wire::code(ReplyCode::UnknownCommand));
    sim::Controller partitions(config(true), sim::initialState(config(true)));
    EXPECT_EQ(send(partitions, wire::TransferReadRequest{}).code1, wire::code(ReplyCode::Refused));
}

TEST(ControllerState, SurvivesItsOwnFileAndRefusesADamagedOne) {
    sim::Controller c(config(), sim::initialState(config()));
    c.handle(writeVar(kSelf, 1, 300, 4, Value::real32(0.1f)));
    c.handle(writeVar(kSelf, 1, 300, 5, Value::oemText("a b\nc")));
    c.handle(telegram(kSelf, {0x61, 32, 1}));
    c.handle(simtest::request(kSelf, wire::SetClockRequest{241, 2024, 3, 5, 14, 7, 9, 2}));
    const std::string text = sim::serializeState(c.state());

    sim::ControllerState back;
    std::string error;
    ASSERT_TRUE(sim::parseState(text, back, error)) << error;
    EXPECT_EQ(sim::serializeState(back), text);
    EXPECT_EQ(back.variables.find(300, 4)->value, Value::real32(0.1f));
    EXPECT_EQ(back.clock->year, 2024);

    // a file cut short is refused, not half taken
    EXPECT_FALSE(sim::parseState(text.substr(0, text.size() / 2), back, error));
    EXPECT_FALSE(sim::parseState("kvxsim-state 1\nvar 1 9 1 1 255 0 0\nend\n", back, error));
    EXPECT_NE(error.find("line 2"), std::string::npos);
}

}  // namespace

TEST_F(ControllerTest, AStagedTransferBelongsToTheConnectionThatOpenedIt) {
    const sim::Caller owner{1, true}, other{2, true}, plain{3, false};
    auto send = [&](const wire::Request& r, const sim::Caller& caller) {
        return controller.handle(simtest::request(kSelf, r), caller).reply.value_or(wire::Frame{});
    };
    const std::vector<uint8_t> image = {1, 2, 3, 4};
    auto opened =
        send(wire::TransferOpenRequest{wire::TransferTarget::Partition, 32, 4, 0, "A"}, owner);
    ASSERT_EQ(opened.code1, 0);
    const uint32_t id = wire::decodeTransferOpenReply(opened.payload)->transfer;
    const wire::Request touches[] = {
        wire::TransferBlockRequest{id, 0, image},
        wire::TransferStatusRequest{id},
        wire::TransferCommitRequest{id, wire::crc32(image)},
        wire::TransferAbortRequest{id},
    };
    std::set<uint32_t> ids = {id};
    std::set<uint64_t> connected = {owner.session, other.session, plain.session};
    controller.transfers.sessionOpen = [&](uint64_t s) { return connected.count(s) > 0; };
    for (const auto& r : touches)
        EXPECT_EQ(ReplyCode(send(r, other).code1), ReplyCode::NotFound) << r.index();
    // Its owner's connection is gone: a connection in clear may not take up a protected one,
    // a protected one may (the host resumes after a lost link).
    connected.erase(owner.session);
    EXPECT_EQ(ReplyCode(send(touches[0], plain).code1), ReplyCode::NotFound);
    EXPECT_EQ(send(touches[0], other).code1, 0);
    EXPECT_EQ(ReplyCode(send(touches[1], owner).code1), ReplyCode::NotFound) << "not any more";
    EXPECT_EQ(send(touches[2], other).code1, 0);

    // Ids are random, not counted.
    for (int i = 0; i < 8; ++i) {
        auto again =
            send(wire::TransferOpenRequest{wire::TransferTarget::Partition, 32, 4, 0, "B"}, owner);
        ASSERT_EQ(again.code1, 0);
        const uint32_t next = wire::decodeTransferOpenReply(again.payload)->transfer;
        EXPECT_TRUE(ids.insert(next).second);
        EXPECT_EQ(send(wire::TransferAbortRequest{next}, owner).code1, 0);
    }
    EXPECT_GT(*ids.rbegin() - *ids.begin(), 100u);
}

TEST_F(ControllerTest, OperatingSystemImagesHaveASizeLimit) {
    struct Row {
        wire::TransferTarget target;
        uint16_t model;
        uint32_t size;
        ReplyCode expected;
    };
    const Row rows[] = {
        {wire::TransferTarget::OperatingSystem, 300, 16u << 20, ReplyCode::Ok},
        {wire::TransferTarget::OperatingSystem, 300, (16u << 20) + 1, ReplyCode::OutOfRange},
        {wire::TransferTarget::OperatingSystem, 300, 0xFFFFFFFFu, ReplyCode::OutOfRange},
    };
    for (const Row& row : rows) {
        auto reply = controller.handle(simtest::request(
            kSelf, wire::TransferOpenRequest{row.target, 0, row.size, row.model, "4.1-0-1"}));
        ASSERT_TRUE(reply.reply);
        EXPECT_EQ(ReplyCode(reply.reply->code1), row.expected) << row.size;
        if (reply.reply->code1 == 0)
            controller.handle(simtest::request(
                kSelf, wire::TransferAbortRequest{
                           wire::decodeTransferOpenReply(reply.reply->payload)->transfer}));
    }
}
