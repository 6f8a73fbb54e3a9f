#pragma once
// Whole requests: build a request frame from a typed request, decode a received frame into
// one (what a controller dispatches on), and build the reply frame to it.
#include <cstdint>
#include <variant>
#include <vector>

#include "platform/wire/ClockPayload.h"
#include "platform/wire/Command.h"
#include "platform/wire/DiscoveryPayload.h"
#include "platform/wire/Frame.h"
#include "platform/wire/PartitionTablePayload.h"
#include "platform/wire/ReplyCode.h"
#include "platform/wire/Result.h"
#include "platform/wire/TelegramPayload.h"
#include "platform/wire/TransferPayloads.h"
#include "platform/wire/VariablePayloads.h"

namespace wire {

using Request = std::variant<ReadRequest, WriteRequest, WriteBatchRequest, TelegramRequest,
                             SetClockRequest, DiscoveryRequest, TransferOpenRequest,
                             TransferBlockRequest, TransferCommitRequest, TransferAbortRequest,
                             TransferStatusRequest, PartitionTableRequest,
                             ApplicationControlRequest, TransferReadRequest>;

Command commandOf(const Request& request);
Result<std::vector<uint8_t>> encodeRequestPayload(const Request& request);

// Oversized when the payload does not fit a frame; the payload encoder's error otherwise.
Result<Frame> makeRequestFrame(Address address, uint16_t sequence, const Request& request);

// NotARequest for a reply, UnknownCommand for a command without a layout here (the reserved
// ranges included), else the payload decoder's verdict.
Result<Request> decodeRequest(const Frame& frame);

// The reply to `request`: same address, command and sequence.
Frame makeReplyFrame(const Frame& request, ReplyCode code1, int8_t code2 = 0,
                     std::vector<uint8_t> payload = {});

// The reply code a controller gives for a request its decoder rejected.
ReplyCode replyCodeFor(Error error);

}  // namespace wire
