#pragma once
// Runs the asynchronous operations a link has started until they are done or a deadline
// passes. On time-out the operations are cancelled and their handlers run (with
// operation_aborted) before this returns, so no handler outlives the caller's stack.
#include <asio.hpp>

#include "platform/comm/Link.h"

namespace comm {

template <class Cancel>
bool runUntil(asio::io_context& io, Clock::time_point deadline, const bool& done, Cancel cancel) {
    io.restart();
    io.run_until(deadline);
    if (!done) {
        cancel();
        io.restart();
        io.run();
    }
    return done;
}

}  // namespace comm
