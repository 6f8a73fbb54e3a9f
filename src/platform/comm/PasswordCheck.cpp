#include "platform/comm/PasswordCheck.h"

namespace comm {

const char* passwordCheckName(PasswordCheck check) {
    switch (check) {
        case PasswordCheck::Accepted:
            return "accepted";
        case PasswordCheck::Refused:
            return "refused";
        case PasswordCheck::RateLimited:
            return "rate-limited";
        case PasswordCheck::Unreachable:
            return "unreachable";
    }
    return "unknown";
}

}  // namespace comm
