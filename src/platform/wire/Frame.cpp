#include "platform/wire/Frame.h"

namespace wire {

bool answers(const Frame& reply, const Frame& request) {
    return reply.reply && !request.reply && reply.address == request.address &&
           reply.command == request.command && reply.sequence == request.sequence;
}

}  // namespace wire
