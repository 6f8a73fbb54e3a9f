#include "sim/Simulator.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "platform/wire/Request.h"
#include "sim/BusStations.h"
#include "sim/SecretVariables.h"

namespace sim {
namespace {

std::string endpointText(const asio::ip::address& address, uint16_t port) {
    const std::string host =
        address.is_v6() ? "[" + address.to_string() + "]" : address.to_string();
    return host + ":" + std::to_string(port);
}

}  // namespace

Simulator::Simulator(asio::io_context& io, NetworkConfig config, std::ostream& out,
                     std::ostream& err)
    : io_(io), config_(std::move(config)), out_(out), err_(err) {}

Simulator::~Simulator() { stop(); }

bool Simulator::start(const StartOptions& options) {
    if (!options.stateFolder.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(options.stateFolder, ec);
        if (!ec)
            std::filesystem::permissions(options.stateFolder, std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::replace, ec);
        if (ec) {
            err_ << "kvxsim: cannot make the state folder " << options.stateFolder << ": "
                 << ec.message() << "\n";
            return false;
        }
        state_.emplace(options.stateFolder);
    }
    for (const ControllerConfig& c : config_.controllers) {
        std::optional<ControllerState> saved;
        if (state_) {
            std::string error;
            if (!state_->load(c.id, saved, error)) {
                err_ << "kvxsim: " << error << "\n";
                return false;
            }
        }
        Station s;
        s.controller = std::make_unique<Controller>(c, saved ? std::move(*saved) : initialState(c));
        s.back = std::make_unique<asio::steady_timer>(io_);
        s.trial = std::make_unique<asio::steady_timer>(io_);
        stations_.push_back(std::move(s));
        if (state_ && !saved) {
            std::string error;
            if (!state_->save(c.id, stations_.back().controller->state(), error)) {
                err_ << "kvxsim: " << error << "\n";
                return false;
            }
        }
    }

    std::vector<std::string> lines;
    std::vector<DiscoverySubject> subjects;
    for (Station& s : stations_) {
        const ControllerConfig& c = s.controller->config();
        if (c.bus == Bus::Serial) {
            if (busHead_ == nullptr) busHead_ = s.controller.get();
            continue;
        }
        s.endpoint =
            std::make_unique<TcpEndpoint>(io_, *s.controller, *this, options.sessionLimits);
        std::string error;
        if (!s.endpoint->open(c.listen, error)) {
            err_ << "kvxsim: controller " << c.id << ": " << error << "\n";
            return false;
        }
        const auto& bound = s.endpoint->bound();
        lines.push_back("tcp " + c.id + " " + endpointText(bound.address(), bound.port()));
        if (c.kvxrealC) {
            if (!openHttp(s, c.httpPort, error)) {
                err_ << "kvxsim: controller " << c.id << ": " << error << "\n";
                return false;
            }
            const auto& web = s.http->bound();
            lines.push_back("http " + c.id + " " + endpointText(web.address(), web.port()));
        }
        TcpEndpoint* endpoint = s.endpoint.get();
        Controller* controller = s.controller.get();
        subjects.push_back({controller, [endpoint] { return endpoint->bound().port(); },
                            [this, controller] { return !isDown(*controller); }});
    }

    if (busHead_ != nullptr || !options.serialLink.empty()) {
        bus_ = std::make_unique<SerialBus>(io_, *this, config_.simulator.baud);
        std::string slave, error;
        if (!bus_->open(slave, error)) {
            err_ << "kvxsim: serial bus: " << error << "\n";
            return false;
        }
        if (!options.serialLink.empty()) {
            // Replace an old link in one step: a new link beside it, then rename.
            const std::string temporary = options.serialLink + ".new";
            ::unlink(temporary.c_str());
            if (::symlink(slave.c_str(), temporary.c_str()) != 0 ||
                ::rename(temporary.c_str(), options.serialLink.c_str()) != 0) {
                err_ << "kvxsim: cannot make the link " << options.serialLink << "\n";
                return false;
            }
            serialLink_ = options.serialLink;
        }
        lines.push_back("serial " + slave);
    }

    if (config_.simulator.discovery) {
        discovery_ =
            std::make_unique<Discovery>(io_, std::move(subjects), config_.simulator.discoveryFaults);
        std::string error;
        if (!discovery_->open(*config_.simulator.discovery, error)) {
            err_ << "kvxsim: " << error << "\n";
            return false;
        }
        lines.push_back("udp " +
                        endpointText(discovery_->bound().address(), discovery_->bound().port()));
    }

    if (!options.controlPath.empty()) {
        control_ = std::make_unique<ControlServer>(
            io_, [this](const std::string& line, bool& quit) { return command(line, quit); },
            [this] { stop(); });
        std::string error;
        if (!control_->open(options.controlPath, error)) {
            err_ << "kvxsim: " << error << "\n";
            return false;
        }
        lines.push_back("control " + options.controlPath);
    }

    // A trial open when the simulator stopped goes on, or ends at once if its time is up.
    for (Station& s : stations_) watchTrial(s);
    for (const std::string& line : lines) out_ << line << "\n";
    out_ << "ready" << std::endl;
    return true;
}

void Simulator::stop() {
    if (stopped_) return;
    stopped_ = true;
    for (Station& s : stations_) {
        if (s.endpoint) s.endpoint->close();
        if (s.http) s.http->close();
        if (s.back) s.back->cancel();
        if (s.trial) s.trial->cancel();
    }
    if (bus_) bus_->close();
    if (discovery_) discovery_->close();
    if (control_) control_->close();
    if (!serialLink_.empty()) ::unlink(serialLink_.c_str());
    io_.stop();
}

Simulator::Station* Simulator::stationOf(const Controller& controller) {
    for (Station& s : stations_)
        if (s.controller.get() == &controller) return &s;
    return nullptr;
}

const Simulator::Station* Simulator::stationOf(const Controller& controller) const {
    for (const Station& s : stations_)
        if (s.controller.get() == &controller) return &s;
    return nullptr;
}

Simulator::Station* Simulator::byId(const std::string& id) {
    for (Station& s : stations_)
        if (s.controller->id() == id) return &s;
    return nullptr;
}

Controller* Simulator::busStationAt(wire::Address to) {
    for (Station& s : stations_) {
        if (s.controller->config().bus != Bus::Serial) continue;
        if (s.controller->answersAt(to, false)) return s.controller.get();
    }
    return nullptr;
}

std::vector<Controller*> Simulator::serialStations(wire::Address to) {
    if (to == wire::kDirectAddress) {
        if (busHead_ == nullptr || isDown(*busHead_)) return {};
        return {busHead_};
    }
    std::vector<Controller*> found;
    for (Station& s : stations_) {
        if (s.controller->config().bus == Bus::Serial && !s.down &&
            s.controller->answersAt(to, false))
            found.push_back(s.controller.get());
    }
    return found;
}

std::vector<wire::Address> Simulator::presentStations(const Controller* gateway) const {
    std::vector<wire::Address> present;
    auto add = [&present](const Controller& c) {
        present.push_back(c.address());
        const auto& extra = c.config().extraAddresses;
        present.insert(present.end(), extra.begin(), extra.end());
    };
    if (gateway != nullptr) add(*gateway);
    for (const Station& s : stations_)
        if (s.controller->config().bus == Bus::Serial && !s.down) add(*s.controller);
    return present;
}

std::optional<wire::Frame> Simulator::stationList(const Controller& head,
                                                  const wire::Frame& request,
                                                  const Controller* gateway) const {
    if (request.command != wire::code(wire::Command::StationList) || !head.config().stationList)
        return std::nullopt;
    return stationListReply(request, presentStations(gateway));
}

Outcome Simulator::answerOnBus(Controller& station, const wire::Frame& request) {
    // The bus is as plain as TCP without a session: a controller with a password keeps its
    // secrets off it.
    if (station.state().verifier && touchesSecrets(request))
        return Outcome{wire::makeReplyFrame(request, wire::ReplyCode::AuthRequired)};
    if (&station == busHead_) {
        if (auto list = stationList(station, request, nullptr)) return Outcome{std::move(list)};
    }
    return station.handle(request);
}

Routed Simulator::routeTcp(Controller& gateway, const wire::Frame& request,
                           const Caller& caller) {
    Routed routed;
    if (gateway.answersAt(request.address, true)) {
        if (auto list = stationList(gateway, request, &gateway)) {
            routed.outcome.reply = std::move(list);
            return routed;
        }
        routed.answerer = &gateway;
        routed.outcome = gateway.handle(request, caller);
        return routed;
    }
    Controller* station = busStationAt(request.address);
    if (station == nullptr) {
        routed.outcome.reply = wire::makeReplyFrame(request, wire::ReplyCode::NoSuchStation);
    } else if (serialStations(request.address).size() > 1) {
        // The gateway hears its stations collide there: it passes nothing on.
        routed.outcome.reply = wire::makeReplyFrame(request, wire::ReplyCode::AddressClash);
    } else if (isDown(*station)) {
        routed.outcome.reply = wire::makeReplyFrame(request, wire::ReplyCode::NoAnswer);
    } else {
        // The bus station answers through the gateway; its own fault knobs stay on the bus.
        routed.answerer = station;
        routed.outcome = station->handle(request, caller);
    }
    return routed;
}

Controller* Simulator::serialStation(wire::Address to) {
    if (to == wire::kDirectAddress) return busHead_;
    return busStationAt(to);
}

void Simulator::settle(Controller& answerer, const Outcome& outcome) {
    if (outcome.changed && state_) {
        std::string error;
        if (!state_->save(answerer.id(), answerer.state(), error))
            err_ << "kvxsim: controller " << answerer.id() << ": " << error << std::endl;
    }
    if (Station* s = stationOf(answerer); s != nullptr && outcome.changed) watchTrial(*s);
    if (Station* s = stationOf(answerer); s != nullptr && s->http) followHttpPort(*s);
    if (outcome.restart == Restart::Cold) {
        if (Station* s = stationOf(answerer)) coldStart(*s);
    } else if (outcome.restart == Restart::Reboot) {
        if (Station* s = stationOf(answerer)) reboot(*s);
    }
    // End of set-up: the port restarts its TCP/IP; its links drop and are taken up again.
    if (outcome.restart == Restart::PortTcpIp) {
        Station* s = stationOf(answerer);
        if (s != nullptr && s->endpoint) {
            s->endpoint->goDown();
            comeBack(*s);
        }
    }
}

bool Simulator::openHttp(Station& s, uint16_t port, std::string& error) {
    Controller* controller = s.controller.get();
    // Served on loopback only: the controller's own loopback address, else 127.0.0.1.
    asio::error_code ec;
    const auto listen = asio::ip::make_address(controller->config().listen.host, ec);
    const std::string host = !ec && listen.is_loopback() ? listen.to_string() : "127.0.0.1";
    auto server = std::make_unique<HttpServer>(io_, [this, controller]() -> const ControllerState* {
        return isDown(*controller) ? nullptr : &controller->state();
    });
    if (!server->open(host, port, error)) return false;
    s.http = std::move(server);
    controller->httpListening(s.http->bound().port());
    return true;
}

void Simulator::followHttpPort(Station& s) {
    const int32_t wanted = s.controller->state().http.port;
    const uint16_t now = s.http->bound().port();
    if (wanted == now) return;
    std::string error;
    auto previous = std::move(s.http);
    previous->close();
    const bool moved = wanted >= 0 && wanted <= 65535 &&
                       openHttp(s, static_cast<uint16_t>(wanted), error);
    if (!moved) {
        err_ << "kvxsim: controller " << s.controller->id() << ": web server stays on port "
             << now << ": " << (error.empty() ? "bad port" : error) << std::endl;
        std::string again;
        if (!openHttp(s, now, again))
            err_ << "kvxsim: controller " << s.controller->id() << ": " << again << std::endl;
        return;
    }
    out_ << "http " << s.controller->id() << " "
         << endpointText(s.http->bound().address(), s.http->bound().port()) << std::endl;
}

bool Simulator::isDown(const Controller& controller) const {
    const Station* s = stationOf(controller);
    return s != nullptr && s->down;
}

void Simulator::watchTrial(Station& s) {
    const ProgramTrial& trial = s.controller->state().trial;
    if (trial.state != wire::TrialState::OnTrial) {
        s.trial->cancel();
        return;
    }
    const int64_t left = std::max<int64_t>(0, trial.deadlineMs - s.controller->wallClock());
    s.trial->expires_after(std::chrono::milliseconds(left));
    s.trial->async_wait([this, &s](const asio::error_code& ec) {
        if (ec || !s.controller->expireTrial()) return;
        if (state_) {
            std::string error;
            if (!state_->save(s.controller->id(), s.controller->state(), error))
                err_ << "kvxsim: controller " << s.controller->id() << ": " << error << std::endl;
        }
    });
}

void Simulator::reboot(Station& s) { goAway(s, s.controller->faults.settings.restartMs); }

void Simulator::coldStart(Station& s) { goAway(s, config_.simulator.coldStartMs); }

void Simulator::goAway(Station& s, uint32_t awayMs) {
    s.down = true;
    s.controller->transfers.restart();
    if (s.endpoint) s.endpoint->goDown();
    s.back->expires_after(std::chrono::milliseconds(awayMs));
    s.back->async_wait([this, &s](const asio::error_code& ec) {
        if (!ec) comeBack(s);
    });
}

void Simulator::comeBack(Station& s) {
    if (s.endpoint) {
        std::string error;
        if (!s.endpoint->reopen(error)) {
            // The port may still be held for a moment: try again shortly.
            err_ << "kvxsim: controller " << s.controller->id() << ": " << error << std::endl;
            s.back->expires_after(std::chrono::milliseconds(100));
            s.back->async_wait([this, &s](const asio::error_code& ec) {
                if (!ec) comeBack(s);
            });
            return;
        }
    }
    s.down = false;
}

std::string Simulator::command(const std::string& line, bool& quit) {
    std::istringstream in(line);
    std::string verb, id, knob, value, extra;
    in >> verb;
    if (verb == "quit") {
        quit = true;
        return "ok";
    }
    if (verb == "fault") {
        if (!(in >> id >> knob >> value) || (in >> extra))
            return "error usage: fault ID KNOB VALUE";
        Station* s = byId(id);
        if (s == nullptr) return "error unknown controller " + id;
        std::string error;
        FaultSettings changed = s->controller->faults.settings;
        if (!setFault(changed, knob, value, error)) return "error " + error;
        s->controller->faults.settings = changed;
        s->controller->faults.rearm();
        return "ok";
    }
    if (verb == "clear") {
        if (!(in >> id) || (in >> extra)) return "error usage: clear ID";
        Station* s = byId(id);
        if (s == nullptr) return "error unknown controller " + id;
        s->controller->faults.settings = FaultSettings{};
        s->controller->faults.rearm();
        return "ok";
    }
    if (verb == "transfers") {
        if (!(in >> id) || (in >> extra)) return "error usage: transfers ID";
        Station* s = byId(id);
        if (s == nullptr) return "error unknown controller " + id;
        const Transfers& t = s->controller->transfers;
        return "ok opened " + std::to_string(t.opened()) + " bad_signature " +
               std::to_string(t.badSignatures()) + " compressed_blocks " +
               std::to_string(t.compressedBlocks()) + " plain_blocks " +
               std::to_string(t.plainBlocks()) + " inflate_peak " +
               std::to_string(t.inflatePeak());
    }
    if (verb == "discoveries") {
        if (in >> extra) return "error usage: discoveries";
        return "ok searches " + std::to_string(discovery_ ? discovery_->searches() : 0);
    }
    return "error unknown command " + verb;
}

}  // namespace sim
