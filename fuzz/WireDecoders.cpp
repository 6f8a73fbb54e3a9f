#include "WireDecoders.h"

#include <algorithm>
#include <type_traits>
#include <vector>

#include "platform/wire/ClockPayload.h"
#include "platform/wire/DiscoveryPayload.h"
#include "platform/wire/FrameCodec.h"
#include "platform/wire/Request.h"
#include "platform/wire/SerialFraming.h"
#include "platform/wire/TcpFraming.h"
#include "platform/wire/Telegram.h"
#include "platform/wire/TelegramPayload.h"
#include "platform/wire/TransferPayloads.h"
#include "platform/wire/TrialPayloads.h"
#include "platform/wire/VariablePayloads.h"

namespace wirefuzz {
namespace {

using Bytes = std::vector<uint8_t>;

bool same(std::span<const uint8_t> a, const Bytes& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end());
}

// A payload that decodes must encode back to exactly the same bytes.
template <class Decode>
bool roundTrips(std::span<const uint8_t> bytes, Decode decode, const char* what,
                std::string& failure) {
    auto decoded = decode(bytes);
    if (!decoded) return true;
    auto encoded = wire::encodePayload(*decoded);
    if (encoded && same(bytes, *encoded)) return true;
    failure = std::string(what) + " does not encode back to its bytes";
    return false;
}

bool checkTransferPayloads(std::span<const uint8_t> p, std::string& failure) {
    return roundTrips(p, wire::decodeTransferOpenRequest, "TransferOpenRequest", failure) &&
           roundTrips(p, wire::decodeTransferOpenReply, "TransferOpenReply", failure) &&
           roundTrips(p, wire::decodeTransferBlockRequest, "TransferBlockRequest", failure) &&
           roundTrips(p, wire::decodeTransferBlockReply, "TransferBlockReply", failure) &&
           roundTrips(p, wire::decodeTransferCommitRequest, "TransferCommitRequest", failure) &&
           roundTrips(p, wire::decodeTransferCommitReply, "TransferCommitReply", failure) &&
           roundTrips(p, wire::decodeTransferAbortRequest, "TransferAbortRequest", failure) &&
           roundTrips(p, wire::decodeTransferStatusRequest, "TransferStatusRequest", failure) &&
           roundTrips(p, wire::decodeTransferStatusReply, "TransferStatusReply", failure) &&
           roundTrips(p, wire::decodeTransferReadRequest, "TransferReadRequest", failure) &&
           roundTrips(p, wire::decodeTransferReadReply, "TransferReadReply", failure);
}

bool checkTelegram(std::span<const uint8_t> bytes, std::string& failure) {
    auto parsed = wire::telegram::parseTelegram(bytes);
    if (parsed && !same(bytes, wire::telegram::buildTelegram(*parsed))) {
        failure = "telegram does not build back to its bytes";
        return false;
    }
    return true;
}

// The reply bytes of the trial telegrams, whether they come bare or inside a reply frame.
bool checkTrialReplies(std::span<const uint8_t> p, std::string& failure) {
    return roundTrips(p, wire::decodeTrialGrant, "TrialGrant", failure) &&
           roundTrips(p, wire::decodeTrialReport, "TrialReport", failure);
}

bool checkPayloads(std::span<const uint8_t> p, std::string& failure) {
    return roundTrips(p, wire::decodeReadRequest, "ReadRequest", failure) &&
           roundTrips(p, wire::decodeReadReply, "ReadReply", failure) &&
           roundTrips(p, wire::decodeWriteRequest, "WriteRequest", failure) &&
           roundTrips(p, wire::decodeWriteBatchRequest, "WriteBatchRequest", failure) &&
           roundTrips(p, wire::decodeTelegramRequest, "TelegramRequest", failure) &&
           roundTrips(p, wire::decodeTelegramReply, "TelegramReply", failure) &&
           roundTrips(p, wire::decodeSetClockRequest, "SetClockRequest", failure) &&
           checkTrialReplies(p, failure) &&
           roundTrips(p, wire::decodeDiscoveryRequest, "DiscoveryRequest", failure) &&
           roundTrips(p, wire::decodeDiscoveryReply, "DiscoveryReply", failure) &&
           checkTransferPayloads(p, failure);
}

bool checkFrame(std::span<const uint8_t> bytes, std::string& failure) {
    auto frame = wire::decodeFrame(bytes);
    if (!frame) return true;
    auto encoded = wire::encodeFrame(*frame);
    if (!encoded || !same(bytes, *encoded)) {
        failure = "frame does not encode back to its bytes";
        return false;
    }
    if (!frame->reply &&
        !wire::answers(wire::makeReplyFrame(*frame, wire::ReplyCode::Ok), *frame)) {
        failure = "a reply does not answer its request";
        return false;
    }
    if (frame->reply) return checkTrialReplies(frame->payload, failure);
    auto request = wire::decodeRequest(*frame);
    if (!request) return true;
    if (const auto* t = std::get_if<wire::TelegramRequest>(&*request);
        t != nullptr && !checkTelegram(t->bytes, failure))
        return false;
    auto rebuilt = wire::makeRequestFrame(frame->address, frame->sequence, *request);
    if (!rebuilt || !(*rebuilt == *frame)) {
        failure = "request does not rebuild its frame";
        return false;
    }
    return true;
}

// Frames out of a stream decoder must survive a second trip through their own framing.
template <class Encode, class Decoder>
bool reframes(const wire::Frame& frame, Encode encode, std::string& failure) {
    auto bytes = encode(frame);
    Decoder again;
    if (bytes) again.feed(*bytes);
    auto back = again.next();
    if (bytes && back && *back && **back == frame) return true;
    failure = "a decoded frame does not survive re-framing";
    return false;
}

template <class Decoder, class OnFrame>
void drain(Decoder& decoder, StreamOutcome& outcome, OnFrame onFrame) {
    while (auto next = decoder.next()) {
        if (*next) {
            ++outcome.frames;
            onFrame(**next);
        } else {
            ++outcome.errors;
        }
    }
}

template <class Decoder, class OnFrame>
StreamOutcome runStream(std::span<const uint8_t> bytes, std::size_t chunk, OnFrame onFrame) {
    Decoder decoder;
    StreamOutcome outcome;
    chunk = std::max<std::size_t>(chunk, 1);
    for (std::size_t at = 0; at < bytes.size(); at += chunk) {
        decoder.feed(bytes.subspan(at, std::min(chunk, bytes.size() - at)));
        drain(decoder, outcome, onFrame);
    }
    if constexpr (std::is_same_v<Decoder, wire::SerialDeframer>) {
        // Each abandon drops at least one byte, so this ends.
        for (std::size_t guard = bytes.size() + 1; decoder.hasPartial() && guard > 0; --guard) {
            decoder.abandonPartial();
            drain(decoder, outcome, onFrame);
        }
    }
    return outcome;
}

}  // namespace

StreamOutcome decodeTcpStream(std::span<const uint8_t> bytes, std::size_t chunk) {
    return runStream<wire::TcpFrameDecoder>(bytes, chunk, [](const wire::Frame&) {});
}

StreamOutcome decodeSerialStream(std::span<const uint8_t> bytes, std::size_t chunk) {
    return runStream<wire::SerialDeframer>(bytes, chunk, [](const wire::Frame&) {});
}

bool exerciseWireDecoders(std::span<const uint8_t> bytes, std::string& failure) {
    if (!checkFrame(bytes, failure) || !checkPayloads(bytes, failure) ||
        !checkTelegram(bytes, failure))
        return false;
    // The first byte picks a chunk size so that frames split across feeds are covered too.
    const std::size_t chunk = bytes.empty() ? 1 : (bytes[0] % 13) + 1;
    bool ok = true;
    runStream<wire::TcpFrameDecoder>(bytes, chunk, [&](const wire::Frame& f) {
        ok = ok && reframes<decltype(&wire::encodeTcpFrame), wire::TcpFrameDecoder>(
                       f, &wire::encodeTcpFrame, failure);
    });
    runStream<wire::SerialDeframer>(bytes, chunk, [&](const wire::Frame& f) {
        ok = ok && reframes<decltype(&wire::encodeSerialFrame), wire::SerialDeframer>(
                       f, &wire::encodeSerialFrame, failure);
    });
    return ok;
}

}  // namespace wirefuzz
