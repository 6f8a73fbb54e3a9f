// Discovery of 250 controllers on loopback with 2 % of the datagrams lost (each request as each
// controller hears it, and each reply): the fraction found by one search within 3 s, over a few
// searches, and its ratio to the target. A measurement, not a test.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "platform/components/finder/UdpFinder.h"
#include "platform/kvxglib/RealLibrary.h"
#include "platform/ui/MessageBoxes.h"
#include "sim/SimProcess.h"

namespace fs = std::filesystem;

namespace {

constexpr int kControllers = 250;
constexpr double kTarget = 0.999;
constexpr int kSearches = 5;

class SilentBoxes final : public ui::MessageBoxes {
  public:
    void showMessage(const std::string&, ui::MessageKind) override {}
    int32_t ask(const std::string&, const std::string&, int32_t) override { return 2; }
};

std::string network() {
    std::string n =
        "[Simulator]\nDiscovery=0.0.0.0:0\nDiscoveryLoss=2\nDiscoveryDelayMs=20\n"
        "DiscoverySeed=2024\n";
    for (int i = 0; i < kControllers; ++i) {
        const std::string id = std::to_string(i);
        n += "\n[Controller C" + id + "]\nSerial=SN-" + id + "\nAddress=1:1\nListen=127.0." +
             std::to_string(10 + i / 200) + "." + std::to_string(1 + i % 200) + ":0\n";
    }
    return n;
}

}  // namespace

int main() {
    const fs::path dir = fs::temp_directory_path() / ("bench_discovery." + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::ofstream(dir / "net.ini") << network();
    std::ofstream(dir / "Kvxmatic.Ini") << "[Kvxmatic]\nProductDir=.\n";
    simtest::SimProcess sim({"--network", (dir / "net.ini").string()});
    if (!sim.waitReady(std::chrono::seconds(60))) {
        std::cerr << "kvxsim did not start: " << sim.stderrText() << '\n';
        return 1;
    }
    SilentBoxes boxes;
    kvxglib::RealLibrary glib(boxes, dir.string());
    components::DiscoverySettings settings;
    settings.port = simtest::splitHostPort(sim.udp()).port;
    settings.target = {127, 255, 255, 255};
    settings.wait = std::chrono::milliseconds(3000);
    components::LinkPool links;
    double worst = 1.0, sum = 0.0;
    for (int s = 0; s < kSearches; ++s) {
        components::UdpFinder finder(glib, links, settings);
        const auto start = std::chrono::steady_clock::now();
        finder.Search();
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const double found = static_cast<double>(finder.Count()) / kControllers;
        worst = std::min(worst, found);
        sum += found;
        std::cout << "search " << s + 1 << ": " << finder.Count() << " of " << kControllers
                  << " found in " << seconds << " s\n";
    }
    std::cout << "discovery, 2 % loss: worst fraction found within 3 s " << worst
              << ", mean " << sum / kSearches << " (target >= " << kTarget
              << "; ratio " << worst / kTarget << ")\n";
    fs::remove_all(dir);
    return 0;
}
