#include "platform/components/ApplicationImage.h"

#include <algorithm>
#include <deque>

#include "platform/comm/ExchangeEngine.h"
#include "platform/comm/LinkAccess.h"
#include "platform/components/Channel.h"
#include "platform/components/HeldTransfer.h"
#include "platform/image/ImageFile.h"
#include "platform/wire/Crc32.h"
#include "platform/wire/Request.h"

namespace components {
namespace {

using wire::ReplyCode;

// Pieces in flight at once: enough to keep a TCP link busy, few enough that a lost link costs
// little. A serial line answers them one after another anyway.
constexpr std::size_t kPiecesInFlight = 8;

bool cannotGive(uint16_t code1) {
    return code1 == wire::code(ReplyCode::UnknownCommand) ||
           code1 == wire::code(ReplyCode::Refused);
}

std::string codeText(uint16_t code1) {
    return std::string("the controller answered: ") + wire::replyCodeName(code1);
}

// One part read whole, windowed; `first` is the reply to its first piece.
bool readPart(comm::ExchangeEngine& engine, wire::Address to, wire::ReadPart part,
              const wire::TransferReadReply& first, std::vector<uint8_t>& out, std::string& why) {
    out = first.data;
    const uint32_t total = first.totalSize;
    auto pipeline = engine.openPipeline();
    struct Closer {
        std::shared_ptr<comm::Pipeline> p;
        ~Closer() {
            p->close();
            while (p->next()) {
            }
        }
    } closer{pipeline};
    uint64_t next = out.size();
    std::deque<uint64_t> asked;
    while (out.size() < total) {
        while (next < total && asked.size() < kPiecesInFlight) {
            const auto n = static_cast<uint16_t>(std::min<uint64_t>(wire::kMaxReadData, total - next));
            wire::TransferReadRequest r{wire::TransferTarget::LegacyApplication, part,
                                        static_cast<uint32_t>(next), n};
            auto frame = wire::makeRequestFrame(to, 0, r);
            if (!frame || !pipeline->push(std::move(frame).value())) break;
            asked.push_back(next);
            next += n;
        }
        auto outcome = pipeline->next();
        if (!outcome) {
            why = "the link stopped taking requests";
            return false;
        }
        asked.pop_front();
        if (outcome->ending != comm::Ending::Reply) {
            why = "the controller did not answer" + (outcome->why.empty() ? "" : ": " + outcome->why);
            return false;
        }
        if (outcome->reply.code1 != wire::code(ReplyCode::Ok)) {
            why = codeText(outcome->reply.code1);
            return false;
        }
        auto piece = wire::decodeTransferReadReply(outcome->reply.payload);
        // The application changed under the read, or a piece came short: nothing is trusted.
        if (!piece || piece->totalSize != total || piece->checksum != first.checksum ||
            piece->data.empty()) {
            why = "the controller's application changed while it was read";
            return false;
        }
        out.insert(out.end(), piece->data.begin(), piece->data.end());
    }
    if (wire::crc32(out) != first.checksum) {
        why = "what was read back does not have the checksum the controller reported";
        return false;
    }
    return true;
}

}  // namespace

std::optional<wire::TransferReadReply> applicationInfo(comm::LinkAccess& links, int32_t link,
                                                       wire::Address to, std::string& why,
                                                       uint16_t* code1) {
    Channel c(links, link, to);
    std::vector<uint8_t> payload;
    const bool answered = c.run(wire::TransferReadRequest{}, &payload);
    if (code1 != nullptr) *code1 = c.code1;
    if (!answered) {
        why = c.why;
        return std::nullopt;
    }
    auto info = wire::decodeTransferReadReply(payload);
    if (!info) {
        why = "the controller's read reply could not be read";
        return std::nullopt;
    }
    return *info;
}

ApplicationReading readApplication(comm::LinkAccess& links, int32_t link, wire::Address to) {
    ApplicationReading reading;
    comm::ExchangeEngine* engine = links.engine(link);
    if (engine == nullptr) {
        reading.why = "link " + std::to_string(link) + " is not open";
        return reading;
    }
    for (const wire::ReadPart part : {wire::ReadPart::Image, wire::ReadPart::Signature}) {
        Channel c(links, link, to);
        std::vector<uint8_t> payload;
        const auto n = static_cast<uint16_t>(wire::kMaxReadData);
        if (!c.run(wire::TransferReadRequest{wire::TransferTarget::LegacyApplication, part, 0, n},
                   &payload)) {
            reading.ending = cannotGive(c.code1) ? ReadEnding::CannotGive : ReadEnding::Failed;
            reading.why = c.why;
            return reading;
        }
        auto first = wire::decodeTransferReadReply(payload);
        if (!first) {
            reading.why = "the controller's read reply could not be read";
            return reading;
        }
        if (first->state == wire::ApplicationState::None) {
            reading.ending = ReadEnding::Nothing;
            return reading;
        }
        std::vector<uint8_t> bytes;
        if (!readPart(*engine, to, part, *first, bytes, reading.why)) return reading;
        if (part == wire::ReadPart::Image) {
            reading.application.image = std::move(bytes);
            reading.application.checksum = first->checksum;
        } else if (!takeSignaturePart(bytes, reading.application)) {
            reading.why = "the controller's signature of its application could not be read";
            return reading;
        }
    }
    if (reading.application.image.empty()) {
        reading.why = "the controller reported an empty application";
        return reading;
    }
    reading.ending = ReadEnding::Read;
    return reading;
}

std::vector<uint8_t> signaturePart(const HeldApplication& application) {
    std::vector<uint8_t> out;
    if (application.signedHead.empty()) return out;
    out.push_back(static_cast<uint8_t>(application.signedHead.size() & 0xFF));
    out.push_back(static_cast<uint8_t>(application.signedHead.size() >> 8));
    out.insert(out.end(), application.signedHead.begin(), application.signedHead.end());
    out.insert(out.end(), application.signature.begin(), application.signature.end());
    return out;
}

bool takeSignaturePart(const std::vector<uint8_t>& bytes, HeldApplication& application) {
    application.signedHead.clear();
    application.signature.clear();
    if (bytes.empty()) return true;
    if (bytes.size() < 2) return false;
    const std::size_t head = bytes[0] | (std::size_t(bytes[1]) << 8);
    if (head == 0 || head > wire::kMaxSignedHead ||
        bytes.size() != 2 + head + wire::kCommitSignatureSize)
        return false;
    application.signedHead.assign(bytes.begin() + 2, bytes.begin() + 2 + std::ptrdiff_t(head));
    application.signature.assign(bytes.begin() + 2 + std::ptrdiff_t(head), bytes.end());
    return true;
}

transfer::Job putBackJob(int32_t link, wire::Address to, const HeldApplication& application,
                         const std::string& name) {
    transfer::Job job;
    job.link = link;
    job.address = to;
    job.target = wire::TransferTarget::LegacyApplication;
    job.name = name.substr(0, wire::kMaxTransferName);
    // A signed image goes back under the model and name its head names, which the controller
    // checks against the open.
    if (!application.signedHead.empty()) {
        const image::HeadReading head = image::parseHead(application.signedHead);
        if (head.head) {
            job.model = head.head->model;
            job.name = head.head->name.substr(0, wire::kMaxTransferName);
        }
    }
    job.image = application.image;
    job.signedHead = application.signedHead;
    job.signature = application.signature;
    return job;
}

bool putApplicationBack(comm::LinkAccess& links, const transfer::Tuning& tuning,
                        transfer::Compression compression, int32_t link, wire::Address to,
                        const HeldApplication& application,
                        const std::function<void()>& events, std::string& why,
                        LoadFigures* moved) {
    transfer::Job job = putBackJob(link, to, application, "Kept application");
    job.holdCommit = true;
    job.compression = compression;
    transfer::TransferEngine engine(links, tuning);
    const auto staged = engine.run(job, [&](const transfer::Progress&) {
        if (events) events();
        return true;
    });
    if (staged.ending != transfer::Ending::Completed) {
        why = staged.message;
        return false;
    }
    if (moved != nullptr) *moved = {job.image.size(), staged.elapsed, staged.compressedBlocks};
    Channel controller(links, link, to);
    if (!controller.run(wire::ApplicationControlRequest{wire::ApplicationAction::Stop})) {
        controller.run(wire::TransferAbortRequest{staged.transfer});
        why = "the running application could not be stopped: " + controller.why;
        return false;
    }
    const transfer::Result committed = commitHeld(links, job, staged.transfer);
    if (committed.ending != transfer::Ending::Completed) {
        // Whatever the controller held before runs again, if it holds one.
        controller.run(wire::ApplicationControlRequest{wire::ApplicationAction::Start});
        why = "the controller did not take it: " + committed.message;
        return false;
    }
    if (!controller.run(wire::ApplicationControlRequest{wire::ApplicationAction::Start})) {
        why = "it was loaded but could not be started: " + controller.why;
        return false;
    }
    const auto info = applicationInfo(links, link, to, why);
    if (!info) {
        why = "it was loaded and started, but could not be read back: " + why;
        return false;
    }
    if (info->state != wire::ApplicationState::Running || info->checksum != application.checksum) {
        why = "it was loaded and started, but the controller does not report it running";
        return false;
    }
    return true;
}

}  // namespace components
