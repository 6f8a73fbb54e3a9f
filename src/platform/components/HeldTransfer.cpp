#include "platform/components/HeldTransfer.h"

#include <cstdio>

#include "platform/components/Channel.h"
#include "platform/wire/Crc32.h"

namespace components {

transfer::Result commitHeld(comm::LinkAccess& links, const transfer::Job& job, uint32_t transfer) {
    transfer::Result result;
    Channel controller(links, job.link, job.address);
    const uint32_t checksum = wire::crc32(job.image);
    std::vector<uint8_t> reply;
    if (!controller.run(transfer::commitRequest(job, transfer, checksum), &reply)) {
        result.code1 = controller.code1;
        result.message = controller.why;
        return result;
    }
    const auto stored = wire::decodeTransferCommitReply(reply);
    if (!stored) {
        result.code1 = wire::code(wire::ReplyCode::BadReply);
        result.message = "the controller's reply to the commit could not be read";
        return result;
    }
    result.storedChecksum = stored->storedChecksum;
    if (stored->storedChecksum != checksum) {
        char text[96];
        std::snprintf(text, sizeof text, "the controller stored checksum %08X, not %08X",
                      unsigned(stored->storedChecksum), unsigned(checksum));
        result.code1 = wire::code(wire::ReplyCode::ChecksumMismatch);
        result.message = text;
        return result;
    }
    result.ending = transfer::Ending::Completed;
    return result;
}

void abortHeld(comm::LinkAccess& links, const transfer::Job& job, uint32_t transfer) {
    Channel controller(links, job.link, job.address);
    controller.run(wire::TransferAbortRequest{transfer});
}

}  // namespace components
