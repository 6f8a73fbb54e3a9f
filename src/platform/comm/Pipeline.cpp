#include "platform/comm/Pipeline.h"

#include <algorithm>
#include <deque>

#include "platform/comm/Link.h"

namespace comm {

bool Pipeline::push(wire::Frame request) {
    {
        std::lock_guard lock(mutex_);
        if (finished_ || closed_) return false;
        request.reply = false;
        entries_.push_back({std::move(request), false, std::nullopt, nullptr});
    }
    changed_.notify_all();
    return true;
}

bool Pipeline::carry(const std::shared_ptr<Exchange>& exchange) {
    {
        std::lock_guard lock(mutex_);
        if (finished_ || closed_) return false;
        wire::Frame request = exchange->request();
        request.reply = false;
        entries_.push_back({std::move(request), false, std::nullopt, exchange});
    }
    changed_.notify_all();
    return true;
}

std::optional<Outcome> Pipeline::next() {
    std::unique_lock lock(mutex_);
    auto mine = [this] {
        return std::find_if(entries_.begin(), entries_.end(),
                            [](const Entry& e) { return !e.carried; });
    };
    if (mine() == entries_.end()) return std::nullopt;
    changed_.wait(lock, [&] { return mine()->outcome.has_value(); });
    auto entry = mine();
    Outcome outcome = std::move(*entry->outcome);
    entries_.erase(entry);
    return outcome;
}

std::size_t Pipeline::outstanding() const {
    std::lock_guard lock(mutex_);
    return static_cast<std::size_t>(std::count_if(
        entries_.begin(), entries_.end(), [](const Entry& e) { return !e.carried; }));
}

Pipeline::Entries::iterator Pipeline::settle(Entries::iterator entry, Outcome outcome) {
    if (!entry->carried) {
        entry->outcome = std::move(outcome);
        return std::next(entry);
    }
    entry->carried->finish(std::move(outcome));
    return entries_.erase(entry);
}

void Pipeline::close() {
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
    }
    changed_.notify_all();
}

void Pipeline::failAll(Ending ending, const std::string& why) {
    // Caller holds the lock.
    for (auto it = entries_.begin(); it != entries_.end();) {
        if (it->outcome) {
            ++it;
            continue;
        }
        it = settle(it, Outcome{it->sent ? ending : Ending::NotStarted, {}, why});
    }
    finished_ = true;
}

void Pipeline::cancel(const std::string& why) {
    {
        std::lock_guard lock(mutex_);
        failAll(Ending::NotStarted, why);
    }
    changed_.notify_all();
}

void Pipeline::run(Link& link, uint16_t& sequence, const std::string& linkName) {
    bool first = true;
    for (;;) {
        // Send whatever the caller has queued.
        std::deque<wire::Frame*> unsent;
        {
            std::unique_lock lock(mutex_);
            for (;;) {
                if (finished_) return;
                bool anyUnanswered = false;
                for (auto& e : entries_) {
                    if (!e.sent) unsent.push_back(&e.request);
                    if (!e.outcome) anyUnanswered = true;
                }
                if (!unsent.empty() || anyUnanswered) break;
                if (closed_) {
                    finished_ = true;
                    changed_.notify_all();
                    return;
                }
                changed_.wait(lock);
            }
            for (wire::Frame* f : unsent) f->sequence = sequence++;
        }
        // Entries stay put while unanswered (the caller only pops answered ones), so the
        // pointers hold outside the lock.
        for (wire::Frame* f : unsent) {
            std::string why;
            const bool ok = first ? link.send(*f, why) : link.sendMore(*f, why);
            std::lock_guard lock(mutex_);
            if (!ok) {
                failAll(link.isOpen() ? Ending::TimedOut : Ending::LinkLost, why);
                changed_.notify_all();
                return;
            }
            first = false;
            for (auto& e : entries_) {
                if (&e.request != f) continue;
                e.sent = true;
                if (e.carried) e.carried->markSent();
            }
        }
        // Wait for the oldest reply.
        Received received = link.receive();
        std::lock_guard lock(mutex_);
        switch (received.kind) {
            case Received::Kind::Frame:
                for (auto it = entries_.begin(); it != entries_.end(); ++it) {
                    if (!it->sent || it->outcome || !wire::answers(received.frame, it->request))
                        continue;
                    settle(it, Outcome{Ending::Reply, std::move(received.frame), {}});
                    link.restartTimeout();
                    changed_.notify_all();
                    break;
                }
                break;  // anything else is stale: drop it
            case Received::Kind::TimedOut:
                failAll(Ending::TimedOut, "no answer from " + linkName + " in time");
                changed_.notify_all();
                return;
            case Received::Kind::Lost:
                failAll(Ending::LinkLost, "link " + linkName + " lost");
                changed_.notify_all();
                return;
        }
    }
}

}  // namespace comm
