#pragma once
// Stop, clear and start of the application of a controller without KVXreal C.
#include "platform/wire/PartitionTablePayload.h"
#include "platform/wire/ReplyCode.h"
#include "platform/wire/TransferPayloads.h"
#include "sim/ControllerState.h"

namespace sim {

// Stop always succeeds; Clear needs a stopped application (Refused otherwise) and forgets it;
// Start needs an application (NotFound otherwise).
wire::ReplyCode controlApplication(ControllerState& state, wire::ApplicationAction action);

// "2.5" or "2.5-0-3" as "02.05.00.0003": fixed width, so that comparing the characters of two
// versions orders them by number. Text without digits stays as it is.
std::string fixedWidthVersion(const std::string& version);

// The application an older controller holds now: its bytes, the signed head and signature that
// came with them, and its checksum where file 900 index 0 reports it.
void takeApplication(ControllerState& state, std::string bytes, std::string signedPart,
                     uint32_t checksum);

// TransferRead (0x25): a piece of the application or of its signature part.
wire::ReplyCode readApplication(const ControllerState& state, const wire::TransferReadRequest& r,
                                wire::TransferReadReply& reply);

}  // namespace sim
