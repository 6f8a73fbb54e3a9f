#include "platform/secure/FailureLimiter.h"

#include <arpa/inet.h>

#include <algorithm>
#include <array>
#include <cstdio>

namespace secure {

void FailureLimiter::forgetOld(std::deque<Clock::time_point>& failures,
                               Clock::time_point now) const {
    while (!failures.empty() && now - failures.front() >= window_) failures.pop_front();
}

bool FailureLimiter::limited(const std::string& source, Clock::time_point now) {
    forgetOld(all_, now);
    if (all_.size() >= budget_) return true;
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
    forgetOld(all_, now);
    all_.push_back(now);
    while (all_.size() > budget_) all_.pop_front();
}

std::string failureSource(const std::string& address) {
    std::array<uint8_t, 16> v6{};
    if (::inet_pton(AF_INET6, address.c_str(), v6.data()) != 1) return address;
    static constexpr std::array<uint8_t, 12> kMapped = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF};
    if (std::equal(kMapped.begin(), kMapped.end(), v6.begin()))
        return std::to_string(v6[12]) + "." + std::to_string(v6[13]) + "." +
               std::to_string(v6[14]) + "." + std::to_string(v6[15]);
    char text[48];
    std::snprintf(text, sizeof text, "%02x%02x:%02x%02x:%02x%02x:%02x%02x::/64", v6[0], v6[1],
                  v6[2], v6[3], v6[4], v6[5], v6[6], v6[7]);
    return text;
}

}  // namespace secure
