#include "platform/comm/PresenceProbe.h"

#include "platform/wire/Command.h"
#include "platform/wire/Request.h"
#include "platform/wire/TelegramPayload.h"

namespace comm {
namespace {

constexpr uint8_t kPollCommand = 0x98;

// Started and ended with a reply, as far as the caller can tell; nothing went on the line.
std::shared_ptr<Exchange> answeredAtOnce(wire::Frame request, wire::ReplyCode code) {
    auto exchange = std::make_shared<Exchange>(std::move(request));
    exchange->markSent();
    exchange->finish({Ending::Reply, wire::makeReplyFrame(exchange->request(), code), {}});
    return exchange;
}

Outcome fetchStationList(ExchangeEngine& engine) {
    wire::Frame request;
    request.address = wire::kDirectAddress;
    request.command = wire::code(wire::Command::StationList);
    return engine.submit(std::move(request))->wait();
}

}  // namespace

bool isPresenceProbe(const wire::Frame& request) {
    return !request.reply && request.command == wire::code(wire::Command::Telegram) &&
           request.payload.size() == 2 &&
           request.payload[0] == static_cast<uint8_t>(wire::TelegramOption::Probe) &&
           request.payload[1] == kPollCommand;
}

std::shared_ptr<Exchange> submitRequest(ExchangeEngine& engine, wire::Frame request,
                                        StationList::Clock::time_point now) {
    if (!isPresenceProbe(request)) return engine.submit(std::move(request));
    StationList& stations = engine.stations();
    if (stations.stale(now)) stations.take(fetchStationList(engine), now);
    switch (stations.verdict(request.address)) {
        case StationList::Verdict::Absent:
            return answeredAtOnce(std::move(request), wire::ReplyCode::NoSuchStation);
        case StationList::Verdict::Clash:
            return answeredAtOnce(std::move(request), wire::ReplyCode::AddressClash);
        case StationList::Verdict::PollShort:
            return engine.submit(std::move(request), kProbeAnswerTime);
        case StationList::Verdict::Poll:
            break;
    }
    return engine.submit(std::move(request));
}

}  // namespace comm
