// A controller holding the product's key commits only what the product signed, as it was
// signed: kind, model, version and every byte. Anything else leaves it as it was.
#include <gtest/gtest.h>

#include <functional>

#include "platform/image/ImageSignature.h"
#include "platform/wire/Crc32.h"
#include "platform/wire/Request.h"
#include "sim/BoilerConfig.h"
#include "sim/Controller.h"
#include "sim/SimClient.h"
#include "sim/Transfers.h"
#include "support/ImageSigning.h"

namespace signedcommit {

using wire::ReplyCode;
using wire::TransferTarget;

constexpr wire::Address kSelf = simtest::kBoilerAddress;

sim::ControllerConfig config() {
    sim::ControllerConfig c = simtest::boilerConfig();
    c.upgradeFileNumber = 18;
    sim::PartitionConfig p;
    p.number = 32;
    p.name = "Spare";
    p.maxSize = 1 << 20;
    c.partitions.push_back(p);
    c.imageKey = testsupport::testKeys().publicKey;
    return c;
}

image::Image makeImage(image::Kind kind, uint16_t model) {
    image::Image i;
    i.kind = kind;
    i.model = model;
    i.name = "Heating";
    i.versionText = "1.9";
    i.version = {3, 2, 0, 4};
    for (int n = 0; n < 3000; ++n) i.payload.push_back(static_cast<uint8_t>(n * 13));
    return i;
}

struct Sent {
    ReplyCode code = ReplyCode::Ok;
    bool changed = false;  // anything the controller holds of images
};

// Opens, stages and commits `signedImage`'s head and signature for `staged` bytes.
Sent commit(TransferTarget target, const std::string& name, uint16_t model,
            const image::Image& signedImage, const std::vector<uint8_t>& staged,
            bool withSignature) {
    sim::ControllerConfig c = config();
    if (target == TransferTarget::LegacyApplication) {  // an older controller: no partitions
        c.kvxrealC = false;
        c.partitions.clear();
    }
    sim::Controller controller{c, sim::initialState(c)};
    auto send = [&](const wire::Request& r) {
        return controller.handle(simtest::request(kSelf, r)).reply.value_or(wire::Frame{});
    };
    const uint8_t partition = target == TransferTarget::Partition ? 32 : 0;
    const auto before = sim::serializeState(controller.state());
    const auto opened = send(wire::TransferOpenRequest{
        target, partition, static_cast<uint32_t>(staged.size()), model, name});
    EXPECT_EQ(opened.code1, 0);
    const uint32_t id = wire::decodeTransferOpenReply(opened.payload)->transfer;
    for (std::size_t at = 0; at < staged.size(); at += 1000) {
        const std::vector<uint8_t> block(staged.begin() + static_cast<std::ptrdiff_t>(at),
                                         staged.begin() + static_cast<std::ptrdiff_t>(at + 1000));
        EXPECT_EQ(send(wire::TransferBlockRequest{id, static_cast<uint32_t>(at), block}).code1, 0);
    }
    wire::TransferCommitRequest request{id, wire::crc32(staged)};
    if (withSignature) {
        request.head = image::encodeHead(signedImage, 2);
        request.signature = signedImage.signature;
    }
    const auto reply = send(request);
    return {ReplyCode(reply.code1), sim::serializeState(controller.state()) != before};
}

TEST(SignedCommit, OnlyWhatTheProductSignedTakesEffect) {
    using K = image::Kind;
    struct Row {
        const char* what;
        K kind;
        TransferTarget target;
        // Changes made after signing: to the file as signed, or to what travels.
        std::function<void(image::Image& signedImage, std::vector<uint8_t>& staged,
                           std::string& openName)>
            tamper;
        bool withSignature;
        ReplyCode expected;
    };
    const auto none = [](image::Image&, std::vector<uint8_t>&, std::string&) {};
    const std::vector<Row> rows = {
        {"signed program", K::Application, TransferTarget::Partition, none, true, ReplyCode::Ok},
        {"signed web site", K::WebSite, TransferTarget::Partition, none, true, ReplyCode::Ok},
        {"signed operating system", K::OperatingSystem, TransferTarget::OperatingSystem, none, true,
         ReplyCode::Ok},
        {"signed port system", K::PortOs, TransferTarget::PortOs, none, true, ReplyCode::Ok},
        {"no signature", K::Application, TransferTarget::Partition, none, false,
         ReplyCode::BadSignature},
        {"one byte changed on the way", K::Application, TransferTarget::Partition,
         [](image::Image&, std::vector<uint8_t>& staged, std::string&) { staged[1500] ^= 1; }, true,
         ReplyCode::BadSignature},
        {"signed by another key", K::Application, TransferTarget::Partition,
         [](image::Image& i, std::vector<uint8_t>&, std::string&) {
             image::signImage(i, image::newKeyPair().secretKey);
         },
         true, ReplyCode::BadSignature},
        {"head names another model", K::Application, TransferTarget::Partition,
         [](image::Image& i, std::vector<uint8_t>&, std::string&) { i.model = 0; }, true,
         ReplyCode::BadSignature},
        {"program sent as operating system", K::Application, TransferTarget::OperatingSystem, none,
         true, ReplyCode::BadSignature},
        {"operating system opened under another version", K::OperatingSystem,
         TransferTarget::OperatingSystem,
         [](image::Image&, std::vector<uint8_t>&, std::string& name) { name = "9.9-0-0"; }, true,
         ReplyCode::BadSignature},
        {"port system opened under another revision", K::PortOs, TransferTarget::PortOs,
         [](image::Image&, std::vector<uint8_t>&, std::string& name) { name = "7.0"; }, true,
         ReplyCode::BadSignature},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const uint16_t model = row.kind == K::PortOs ? 18 : 300;
        image::Image signedImage = testsupport::signedByTest(makeImage(row.kind, model));
        std::vector<uint8_t> staged = signedImage.payload;
        std::string name = row.kind == K::OperatingSystem ? "3.2-0-4"
                           : row.kind == K::PortOs        ? "1.9"
                                                          : "Heating";
        const uint16_t openModel = signedImage.model;
        row.tamper(signedImage, staged, name);
        const Sent sent =
            commit(row.target, name, openModel, signedImage, staged, row.withSignature);
        EXPECT_EQ(sent.code, row.expected);
        EXPECT_EQ(sent.changed, row.expected == ReplyCode::Ok) << "the controller's state";
    }
}

// An image the product signed, whole and as signed, but for another model: this controller
// (model 300) takes it neither when the open names its model nor when it names any (0).
TEST(SignedCommit, AnImageSignedForAnotherModelDoesNotTakeEffect) {
    using K = image::Kind;
    struct Row {
        const char* what;
        K kind;
        TransferTarget target;
        std::string name;
    };
    const Row rows[] = {
        {"program", K::Application, TransferTarget::Partition, "Heating"},
        {"older controller's application", K::Application, TransferTarget::LegacyApplication,
         "Heating"},
        {"operating system", K::OperatingSystem, TransferTarget::OperatingSystem, "3.2-0-4"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const image::Image forOther = testsupport::signedByTest(makeImage(row.kind, 301));
        // The signature itself is sound: only the model can refuse it.
        ASSERT_TRUE(image::verifySignature(image::encodeHead(forOther, 2), forOther.payload,
                                           forOther.signature, testsupport::testKeys().publicKey));
        for (const uint16_t openModel : {uint16_t{300}, uint16_t{0}}) {
            SCOPED_TRACE(openModel);
            const Sent sent =
                commit(row.target, row.name, openModel, forOther, forOther.payload, true);
            EXPECT_EQ(sent.code, ReplyCode::BadSignature);
            EXPECT_FALSE(sent.changed) << "the controller's state";
        }
        // The same image signed for this model takes effect.
        const image::Image forThis = testsupport::signedByTest(makeImage(row.kind, 300));
        const Sent sent = commit(row.target, row.name, 300, forThis, forThis.payload, true);
        EXPECT_EQ(sent.code, ReplyCode::Ok);
        EXPECT_TRUE(sent.changed);
    }
}

}  // namespace signedcommit
