#include "platform/secure/FailureLimiter.h"

#include <algorithm>

namespace secure {

void FailureLimiter::forgetOld(std::deque<Clock::time_point>& failures,
                               Clock::time_point now) const {
    while (!failures.empty() && now - failures.front() >= window_) failures.pop_front();
}

bool FailureLimiter::limited(const std::string& source, Clock::time_point now) {
    const auto it = failures_.find(source);
    if (it == failures_.end()) return false;
    forgetOld(it->second, now);
    if (it->second.empty()) {
        failures_.erase(it);
        return false;
    }
    return it->second.size() >= maxFailures_;
}

void FailureLimiter::recordFailure(const std::string& source, Clock::time_point now) {
    auto it = failures_.find(source);
    if (it == failures_.end()) {
        if (failures_.size() >= kMaxSources) {
            // Forget the source whose last failure is oldest: it is the nearest to free anyway.
            auto oldest = std::min_element(failures_.begin(), failures_.end(),
                                           [](const auto& a, const auto& b) {
                                               return a.second.back() < b.second.back();
                                           });
            failures_.erase(oldest);
        }
        it = failures_.emplace(source, std::deque<Clock::time_point>{}).first;
    }
    forgetOld(it->second, now);
    it->second.push_back(now);
    while (it->second.size() > maxFailures_) it->second.pop_front();
}

}  // namespace secure
