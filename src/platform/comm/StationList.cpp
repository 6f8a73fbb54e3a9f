#include "platform/comm/StationList.h"

#include "platform/wire/ReplyCode.h"
#include "platform/wire/StationListPayload.h"

namespace comm {

bool StationList::stale(Clock::time_point now) const {
    return !fetched_ || now - fetchedAt_ >= kRefresh || now < fetchedAt_;
}

void StationList::take(const Outcome& fetched, Clock::time_point now) {
    fetched_ = true;
    fetchedAt_ = now;
    listed_ = false;
    counts_.clear();
    if (fetched.ending != Ending::Reply ||
        fetched.reply.code1 != wire::code(wire::ReplyCode::Ok))
        return;
    const auto reply = wire::decodeStationListReply(fetched.reply.payload);
    if (!reply) return;
    for (const wire::Address& a : reply->stations) ++counts_[a];
    listed_ = true;
}

StationList::Verdict StationList::verdict(wire::Address to) const {
    if (to == wire::kDirectAddress) return Verdict::Poll;
    if (!listed_) return Verdict::PollShort;
    const auto it = counts_.find(to);
    if (it == counts_.end()) return Verdict::Absent;
    return it->second > 1 ? Verdict::Clash : Verdict::Poll;
}

}  // namespace comm
