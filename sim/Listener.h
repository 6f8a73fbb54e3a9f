#pragma once
// Accepting connections on a listener until it is closed. A failed accept (out of file
// descriptors, say) does not end the listening: it is tried again a moment later, so one
// client that uses up the descriptors cannot shut everybody out for good.
#include <asio/error.hpp>
#include <asio/steady_timer.hpp>
#include <chrono>
#include <utility>

namespace sim {

constexpr std::chrono::milliseconds kAcceptRetry{100};

template <class Acceptor, class OnSocket>
void keepAccepting(Acceptor& acceptor, asio::steady_timer& retry, OnSocket onSocket) {
    acceptor.async_accept(
        [&acceptor, &retry, onSocket](const asio::error_code& ec, auto socket) mutable {
            if (ec == asio::error::operation_aborted || !acceptor.is_open()) return;
            if (!ec) {
                onSocket(std::move(socket));
                keepAccepting(acceptor, retry, std::move(onSocket));
                return;
            }
            retry.expires_after(kAcceptRetry);
            retry.async_wait([&acceptor, &retry, onSocket](const asio::error_code& e) mutable {
                if (!e && acceptor.is_open()) keepAccepting(acceptor, retry, std::move(onSocket));
            });
        });
}

}  // namespace sim
