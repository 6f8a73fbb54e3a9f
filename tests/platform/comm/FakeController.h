#pragma once
// A small controller behind a fake peer: typed variables, the poll, one partition and the
// clock, answered from the request as the codec decodes it. Enough to drive every traffic
// call of the library; the simulator is the full-size one.
#include <map>
#include <mutex>
#include <optional>
#include <tuple>
#include <vector>

#include "FakePeer.h"
#include "platform/wire/Request.h"

namespace commtest {

class FakeController {
  public:
    explicit FakeController(wire::Address own = {1, 5}) : own_(own) {}

    void set(uint8_t kind, uint16_t file, int32_t index, wire::Value value);
    std::optional<wire::Value> get(uint8_t kind, uint16_t file, int32_t index) const;
    std::vector<wire::SetClockRequest> clocks() const;
    std::vector<wire::Frame> requests() const;

    // Requests numbered `index` (0-based) get no answer.
    void dropRequest(int index) { dropped_ = index; }

    // The peer script: answers at its own address and at 255:30; any other address is "no
    // such station".
    PeerScript script();

  private:
    using Key = std::tuple<uint8_t, uint16_t, int32_t>;
    wire::Frame answer(const wire::Frame& request);
    wire::Frame answerTelegram(const wire::Frame& request, const wire::TelegramRequest& t);

    wire::Address own_;
    mutable std::mutex mutex_;
    std::map<Key, wire::Value> variables_;
    std::vector<wire::SetClockRequest> clocks_;
    std::vector<wire::Frame> requests_;
    int dropped_ = -1;
};

}  // namespace commtest
