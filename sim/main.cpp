// kvxsim: plays the controllers of a network file on TCP, a serial pseudo-terminal and UDP.
#include <CLI/CLI.hpp>
#include <asio/io_context.hpp>
#include <asio/signal_set.hpp>
#include <iostream>

#include "sim/NetworkFile.h"
#include "sim/Simulator.h"

int main(int argc, char** argv) {
    CLI::App app{"kvxsim: virtual controllers for Krelvan"};
    std::string network;
    sim::StartOptions options;
    app.add_option("--network", network, "network file describing the controllers")->required();
    app.add_option("--state", options.stateFolder, "folder keeping the controllers' state");
    app.add_option("--serial-link", options.serialLink, "symlink to make to the serial bus");
    app.add_option("--control", options.controlPath, "Unix socket for control commands");
    int64_t handshakeMs = options.sessionLimits.handshake.count();
    int64_t idleMs = options.sessionLimits.idle.count();
    app.add_option("--handshake-timeout-ms", handshakeMs,
                   "close a connection that sends no proof this long after its hello")
        ->check(CLI::PositiveNumber)
        ->capture_default_str();
    app.add_option("--idle-timeout-ms", idleMs, "close a connection silent this long")
        ->check(CLI::PositiveNumber)
        ->capture_default_str();
    std::string imageKey;
    app.add_option("--image-key", imageKey,
                   "the product's public key file: only images signed by it are committed");
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e);
        return code == 0 ? 0 : 2;
    }
    options.sessionLimits.handshake = std::chrono::milliseconds(handshakeMs);
    options.sessionLimits.idle = std::chrono::milliseconds(idleMs);

    auto file = sim::readNetworkFile(network);
    if (!file.errors.empty()) {
        for (const auto& e : file.errors) std::cerr << e << "\n";
        std::cerr << "kvxsim: the network file has mistakes; not started" << std::endl;
        return 2;
    }

    if (!imageKey.empty()) {
        const image::KeyReading key = image::readPublicKeyFile(imageKey);
        if (!key.key) {
            std::cerr << "kvxsim: " << key.error << "; not started" << std::endl;
            return 2;
        }
        for (auto& controller : file.config.controllers) controller.imageKey = key.key;
    }

    asio::io_context io;
    sim::Simulator simulator(io, std::move(file.config), std::cout, std::cerr);
    asio::signal_set signals(io, SIGINT, SIGTERM);
    signals.async_wait([&](const asio::error_code& ec, int) {
        if (!ec) simulator.stop();
    });
    if (!simulator.start(options)) {
        simulator.stop();
        return 1;
    }
    io.run();
    return 0;
}
