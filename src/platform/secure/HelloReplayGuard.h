#pragma once
// The host nonces of recent hellos, so that a recorded hello sent again is refused. A genuine
// host draws a fresh random nonce for every hello; a repeat is a replay.
#include <cstddef>
#include <deque>
#include <set>

#include "platform/wire/SecurePayloads.h"

namespace secure {

class HelloReplayGuard {
  public:
    static constexpr std::size_t kDefaultCapacity = 65536;
    explicit HelloReplayGuard(std::size_t capacity = kDefaultCapacity) : capacity_(capacity) {}

    // True for a nonce not seen among the last `capacity` ones; it is remembered either way.
    bool fresh(const wire::Nonce& nonce);

  private:
    std::size_t capacity_;
    std::set<wire::Nonce> seen_;
    std::deque<wire::Nonce> order_;
};

}  // namespace secure
