#include "platform/comm/ProofBudget.h"

namespace comm {

bool ProofBudget::take(const std::string& controller) {
    const auto now = now_();
    if (sent_.limited(controller, now)) return false;
    sent_.recordFailure(controller, now);
    return true;
}

}  // namespace comm
