#include "platform/secure/HelloReplayGuard.h"

namespace secure {

bool HelloReplayGuard::fresh(const wire::Nonce& nonce) {
    if (seen_.count(nonce) != 0) return false;
    seen_.insert(nonce);
    order_.push_back(nonce);
    if (order_.size() > capacity_) {
        seen_.erase(order_.front());
        order_.pop_front();
    }
    return true;
}

}  // namespace secure
