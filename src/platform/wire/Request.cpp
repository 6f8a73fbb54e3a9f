#include "platform/wire/Request.h"

namespace wire {
namespace {

struct CommandOf {
    Command operator()(const ReadRequest&) const { return Command::ReadVariable; }
    Command operator()(const WriteRequest&) const { return Command::WriteVariable; }
    Command operator()(const WriteBatchRequest&) const { return Command::WriteBatch; }
    Command operator()(const TelegramRequest&) const { return Command::Telegram; }
    Command operator()(const SetClockRequest&) const { return Command::SetClock; }
    Command operator()(const DiscoveryRequest&) const { return Command::Discover; }
    Command operator()(const TransferOpenRequest&) const { return Command::TransferOpen; }
    Command operator()(const TransferBlockRequest&) const { return Command::TransferBlock; }
    Command operator()(const TransferCommitRequest&) const { return Command::TransferCommit; }
    Command operator()(const TransferAbortRequest&) const { return Command::TransferAbort; }
    Command operator()(const TransferStatusRequest&) const { return Command::TransferStatus; }
    Command operator()(const TransferReadRequest&) const { return Command::TransferRead; }
    Command operator()(const PartitionTableRequest&) const { return Command::PartitionTable; }
    Command operator()(const ApplicationControlRequest&) const {
        return Command::ApplicationControl;
    }
};

template <class T>
Result<Request> widen(Result<T> decoded) {
    if (!decoded) return decoded.error();
    return Request(std::move(decoded).value());
}

}  // namespace

Command commandOf(const Request& request) { return std::visit(CommandOf{}, request); }

Result<std::vector<uint8_t>> encodeRequestPayload(const Request& request) {
    return std::visit([](const auto& r) { return encodePayload(r); }, request);
}

Result<Frame> makeRequestFrame(Address address, uint16_t sequence, const Request& request) {
    auto payload = encodeRequestPayload(request);
    if (!payload) return payload.error();
    if (payload->size() > kMaxRequestPayload) return Error::Oversized;
    Frame f;
    f.address = address;
    f.command = code(commandOf(request));
    f.sequence = sequence;
    f.payload = std::move(payload).value();
    return f;
}

Result<Request> decodeRequest(const Frame& frame) {
    if (frame.reply) return Error::NotARequest;
    switch (static_cast<Command>(frame.command)) {
        case Command::ReadVariable:
            return widen(decodeReadRequest(frame.payload));
        case Command::WriteVariable:
            return widen(decodeWriteRequest(frame.payload));
        case Command::WriteBatch:
            return widen(decodeWriteBatchRequest(frame.payload));
        case Command::Telegram:
            return widen(decodeTelegramRequest(frame.payload));
        case Command::SetClock:
            return widen(decodeSetClockRequest(frame.payload));
        case Command::PartitionTable:
            return widen(decodePartitionTableRequest(frame.payload));
        case Command::ApplicationControl:
            return widen(decodeApplicationControlRequest(frame.payload));
        case Command::Discover:
            return widen(decodeDiscoveryRequest(frame.payload));
        case Command::Hello:
        case Command::Proof:
        case Command::Sealed:
            break;  // the link's password layer answers these, not the controller
        case Command::StationList:
            break;  // the bus answers it from what it sees, not one controller's state
        case Command::TransferOpen:
            return widen(decodeTransferOpenRequest(frame.payload));
        case Command::TransferBlock:
            return widen(decodeTransferBlockRequest(frame.payload));
        case Command::TransferCommit:
            return widen(decodeTransferCommitRequest(frame.payload));
        case Command::TransferAbort:
            return widen(decodeTransferAbortRequest(frame.payload));
        case Command::TransferStatus:
            return widen(decodeTransferStatusRequest(frame.payload));
        case Command::TransferRead:
            return widen(decodeTransferReadRequest(frame.payload));
    }
    return Error::UnknownCommand;
}

Frame makeReplyFrame(const Frame& request, ReplyCode code1, int8_t code2,
                     std::vector<uint8_t> payload) {
    Frame f;
    f.reply = true;
    f.address = request.address;
    f.command = request.command;
    f.sequence = request.sequence;
    f.code1 = code(code1);
    f.code2 = code2;
    f.payload = std::move(payload);
    return f;
}

ReplyCode replyCodeFor(Error error) {
    return error == Error::UnknownCommand ? ReplyCode::UnknownCommand : ReplyCode::BadRequest;
}

}  // namespace wire
