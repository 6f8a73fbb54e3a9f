#include "FakeController.h"

#include "platform/wire/Telegram.h"

namespace commtest {

using wire::ReplyCode;

void FakeController::set(uint8_t kind, uint16_t file, int32_t index, wire::Value value) {
    std::lock_guard lock(mutex_);
    variables_[{kind, file, index}] = std::move(value);
}

std::optional<wire::Value> FakeController::get(uint8_t kind, uint16_t file, int32_t index) const {
    std::lock_guard lock(mutex_);
    const auto it = variables_.find({kind, file, index});
    if (it == variables_.end()) return std::nullopt;
    return it->second;
}

std::vector<wire::SetClockRequest> FakeController::clocks() const {
    std::lock_guard lock(mutex_);
    return clocks_;
}

std::vector<wire::Frame> FakeController::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

PeerScript FakeController::script() {
    return [this](const wire::Frame& request, int index) {
        if (index == dropped_) return PeerAction::drop();
        std::lock_guard lock(mutex_);
        requests_.push_back(request);
        return PeerAction::reply(answer(request));
    };
}

wire::Frame FakeController::answer(const wire::Frame& request) {
    if (request.address != own_ && request.address != wire::kDirectAddress) {
        return wire::makeReplyFrame(request, ReplyCode::NoSuchStation);
    }
    const auto decoded = wire::decodeRequest(request);
    if (!decoded) return wire::makeReplyFrame(request, wire::replyCodeFor(decoded.error()));
    if (const auto* read = std::get_if<wire::ReadRequest>(&*decoded)) {
        const auto& a = read->address;
        const auto it = variables_.find({a.kind, a.file, a.index});
        if (it == variables_.end()) return wire::makeReplyFrame(request, ReplyCode::NoSuchVariable);
        if (it->second.type != a.type) return wire::makeReplyFrame(request, ReplyCode::WrongType);
        return wire::makeReplyFrame(request, ReplyCode::Ok, 0,
                                    *wire::encodePayload(wire::ReadReply{it->second}));
    }
    if (const auto* write = std::get_if<wire::WriteRequest>(&*decoded)) {
        const auto& a = write->address;
        variables_[{a.kind, a.file, a.index}] = write->value;
        return wire::makeReplyFrame(request, ReplyCode::Ok);
    }
    if (const auto* batch = std::get_if<wire::WriteBatchRequest>(&*decoded)) {
        for (const auto& w : batch->writes) {
            variables_[{w.address.kind, w.address.file, w.address.index}] = w.value;
        }
        return wire::makeReplyFrame(request, ReplyCode::Ok);
    }
    if (const auto* clock = std::get_if<wire::SetClockRequest>(&*decoded)) {
        clocks_.push_back(*clock);
        return wire::makeReplyFrame(request, ReplyCode::Ok);
    }
    if (const auto* telegram = std::get_if<wire::TelegramRequest>(&*decoded)) {
        return answerTelegram(request, *telegram);
    }
    return wire::makeReplyFrame(request, ReplyCode::UnknownCommand);
}

wire::Frame FakeController::answerTelegram(const wire::Frame& request,
                                           const wire::TelegramRequest& t) {
    namespace tg = wire::telegram;
    const auto parsed = tg::parseTelegram(t.bytes);
    if (!parsed) return wire::makeReplyFrame(request, wire::replyCodeFor(parsed.error()));
    if (std::holds_alternative<tg::Poll>(*parsed)) {
        return wire::makeReplyFrame(request, ReplyCode::Ok, 0, {own_.pla, own_.ela});
    }
    if (std::holds_alternative<tg::ListPartitions>(*parsed)) {
        return wire::makeReplyFrame(request, ReplyCode::Ok, 0, {16, 17});
    }
    if (const auto* get = std::get_if<tg::GetNumberAttribute>(&*parsed)) {
        if (get->attribute == 2) return wire::makeReplyFrame(request, ReplyCode::WrongType);
        const int32_t v = get->partition * 1000 + get->attribute;
        return wire::makeReplyFrame(request, ReplyCode::Ok, 0,
                                    {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8),
                                     static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 24)});
    }
    if (const auto* get = std::get_if<tg::GetTextAttribute>(&*parsed)) {
        // "Wärme" in code page 850, with the trailing zero some controllers send.
        if (get->attribute == 2) {
            return wire::makeReplyFrame(request, ReplyCode::Ok, 0, {'W', 0x84, 'r', 'm', 'e', 0});
        }
        return wire::makeReplyFrame(request, ReplyCode::NotFound);
    }
    return wire::makeReplyFrame(request, ReplyCode::Ok);
}

}  // namespace commtest
