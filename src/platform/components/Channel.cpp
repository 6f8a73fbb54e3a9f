#include "platform/components/Channel.h"

#include "platform/comm/ExchangeEngine.h"
#include "platform/comm/LinkAccess.h"

namespace components {

bool Channel::run(const wire::Request& request, std::vector<uint8_t>* reply) {
    code2 = 0;
    comm::ExchangeEngine* engine = links_.engine(link_);
    if (engine == nullptr) {
        code1 = wire::code(wire::ReplyCode::NotStarted);
        why = "link " + std::to_string(link_) + " is not open";
        return false;
    }
    const comm::Outcome outcome = engine->run(to_, request);
    switch (outcome.ending) {
        case comm::Ending::Reply:
            code1 = outcome.reply.code1;
            code2 = outcome.reply.code2;
            if (code1 == wire::code(wire::ReplyCode::Ok)) {
                if (reply != nullptr) *reply = outcome.reply.payload;
                why.clear();
                return true;
            }
            why = std::string("the controller answered: ") + wire::replyCodeName(code1);
            return false;
        case comm::Ending::NotStarted:
            code1 = wire::code(wire::ReplyCode::NotStarted);
            break;
        case comm::Ending::TimedOut:
            code1 = wire::code(wire::ReplyCode::TimedOut);
            break;
        case comm::Ending::LinkLost:
            code1 = wire::code(wire::ReplyCode::LinkLost);
            break;
    }
    why = "the controller did not answer (" + std::string(wire::replyCodeName(code1)) +
          (outcome.why.empty() ? "" : ": " + outcome.why) + ")";
    return false;
}

bool Channel::telegram(const std::vector<uint8_t>& bytes, std::vector<uint8_t>* reply) {
    return run(wire::TelegramRequest{0, bytes}, reply);
}

std::optional<wire::Value> Channel::read(const wire::VarAddress& address) {
    std::vector<uint8_t> payload;
    if (!run(wire::ReadRequest{address}, &payload)) return std::nullopt;
    auto decoded = wire::decodeReadReply(payload);
    if (!decoded) {
        code1 = wire::code(wire::ReplyCode::BadReply);
        why = "the controller's reply could not be read";
        return std::nullopt;
    }
    return decoded->value;
}

bool Channel::write(const wire::VarAddress& address, const wire::Value& value) {
    return run(wire::WriteRequest{address, value});
}

}  // namespace components
