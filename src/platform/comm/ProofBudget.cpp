#include "platform/comm/ProofBudget.h"

namespace comm {

bool ProofBudget::take(const std::string& controller) {
    const auto now = now_();
    // Controllers whose proofs are all old are forgotten, so the table stays small.
    for (auto it = sent_.begin(); it != sent_.end();) {
        while (!it->second.empty() && now - it->second.front() >= kWindow) it->second.pop_front();
        it = it->second.empty() ? sent_.erase(it) : std::next(it);
    }
    auto& sent = sent_[controller];
    if (sent.size() >= kMaxProofs) return false;
    sent.push_back(now);
    return true;
}

}  // namespace comm
