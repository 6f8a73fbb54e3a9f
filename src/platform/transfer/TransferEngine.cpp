#include "platform/transfer/TransferEngine.h"

#include "platform/comm/LinkAccess.h"
#include "platform/wire/ReplyCode.h"

namespace transfer {

const char* endingName(Ending ending) {
    switch (ending) {
        case Ending::Completed:
            return "completed";
        case Ending::Cancelled:
            return "cancelled";
        case Ending::Failed:
            return "failed";
    }
    return "unknown";
}

TransferEngine::TransferEngine(comm::LinkAccess& links, Tuning tuning)
    : links_(links), tuning_(tuning) {}

// The windowed transfer follows; until then every load fails cleanly.
Result TransferEngine::run(const Job&, const ProgressCallback&) {
    Result result;
    result.code1 = wire::code(wire::ReplyCode::NotStarted);
    result.message = "image transfer is not available yet";
    return result;
}

}  // namespace transfer
