#pragma once
// The whole simulated network: the controllers, their TCP listeners, the serial bus, UDP
// discovery and the control socket, all on one io_context.
#include <asio/io_context.hpp>
#include <asio/steady_timer.hpp>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "sim/ControlServer.h"
#include "sim/Controller.h"
#include "sim/Discovery.h"
#include "sim/HttpServer.h"
#include "sim/NetworkConfig.h"
#include "sim/Router.h"
#include "sim/SerialBus.h"
#include "sim/StateFile.h"
#include "sim/TcpLink.h"

namespace sim {

struct StartOptions {
    std::string stateFolder;  // empty: state is kept in memory only
    std::string serialLink;   // symlink to the bus's pseudo-terminal, when given
    std::string controlPath;  // Unix socket of the control commands, when given
    SessionLimits sessionLimits;
};

class Simulator : public Router {
  public:
    Simulator(asio::io_context& io, NetworkConfig config, std::ostream& out, std::ostream& err);
    ~Simulator() override;

    // Loads or creates every controller's state, opens every listener and prints one line per
    // listener and then "ready". False (with the reason on `err`) when it cannot.
    bool start(const StartOptions& options);
    void stop();

    // One control command: "fault ID KNOB VALUE", "clear ID", "quit".
    std::string command(const std::string& line, bool& quit);

    Routed routeTcp(Controller& gateway, const wire::Frame& request,
                    const Caller& caller) override;
    Controller* serialStation(wire::Address to) override;
    std::vector<Controller*> serialStations(wire::Address to) override;
    Outcome answerOnBus(Controller& station, const wire::Frame& request) override;
    void settle(Controller& answerer, const Outcome& outcome) override;
    bool isDown(const Controller& controller) const override;

  private:
    struct Station {
        std::unique_ptr<Controller> controller;
        std::unique_ptr<TcpEndpoint> endpoint;  // TCP controllers only
        std::unique_ptr<HttpServer> http;       // TCP KVXreal C controllers only
        bool down = false;
        std::unique_ptr<asio::steady_timer> back;
        std::unique_ptr<asio::steady_timer> trial;  // ends an open trial on time
    };
    Station* stationOf(const Controller& controller);
    const Station* stationOf(const Controller& controller) const;
    Station* byId(const std::string& id);
    Controller* busStationAt(wire::Address to);
    // The addresses the bus's stations answer at now, `gateway`'s own first when given.
    std::vector<wire::Address> presentStations(const Controller* gateway) const;
    // The StationList reply when `head` gives it; empty for other requests.
    std::optional<wire::Frame> stationList(const Controller& head, const wire::Frame& request,
                                           const Controller* gateway) const;
    void coldStart(Station& station);
    // A restart that keeps the address (an operating-system upgrade, a crash).
    void reboot(Station& station);
    void goAway(Station& station, uint32_t awayMs);
    // Arms the station's trial timer for its open trial, if any; a return is saved at once.
    void watchTrial(Station& station);
    void comeBack(Station& station);
    // The web server on loopback beside the controller's TCP port; false when it cannot listen.
    bool openHttp(Station& station, uint16_t port, std::string& error);
    // A committed port other than the one served: the server moves there.
    void followHttpPort(Station& station);

    asio::io_context& io_;
    NetworkConfig config_;
    std::ostream& out_;
    std::ostream& err_;
    std::optional<StateFolder> state_;
    std::vector<Station> stations_;
    Controller* busHead_ = nullptr;
    std::unique_ptr<SerialBus> bus_;
    std::unique_ptr<Discovery> discovery_;
    std::unique_ptr<ControlServer> control_;
    std::string serialLink_;
    bool stopped_ = false;
};

}  // namespace sim
