// Image load throughput through the transfer engine against kvxsim, as a share of what the
// line can carry: serial at 115,200 and 921,600 baud with 16 ms of adapter latency, and TCP
// at 100 Mbit/s with 5 ms and 50 ms of round trip. Each ratio is printed beside the same
// engine held to one block in flight (stop and wait) and its target, with PASS or FAIL; the
// exit status is 1 when a target is missed.
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "platform/comm/ExchangeEngine.h"
#include "platform/comm/LinkAccess.h"
#include "platform/comm/SerialLink.h"
#include "platform/comm/TcpLink.h"
#include "platform/transfer/TransferEngine.h"
#include "sim/SimClient.h"
#include "sim/SimProcess.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr uint32_t kTcpBitsPerSecond = 100'000'000;

struct Case {
    const char* what;
    bool serial;
    uint32_t rate;  // baud (10 bits a byte) or TCP bits per second (8 bits a byte)
    uint32_t latencyMs;
    std::size_t imageBytes;
    std::size_t stopAndWaitBytes;  // smaller: one block a round trip takes long
    double target;
};

class OneLink final : public comm::LinkAccess {
  public:
    explicit OneLink(std::unique_ptr<comm::Link> link)
        : engine_(std::make_unique<comm::ExchangeEngine>(std::move(link))) {}
    comm::ExchangeEngine* engine(int32_t) override { return engine_.get(); }

  private:
    std::unique_ptr<comm::ExchangeEngine> engine_;
};

std::string network(const Case& c) {
    const std::string partition =
        "MaxSize=67108864\n\n";
    if (c.serial)
        return "[Simulator]\nBaud=" + std::to_string(c.rate) +
               "\n\n[Controller Head]\nBus=serial\nSerial=SN-1\nKvxrealC=yes\nAddress=10:1\n"
               "FlashSize=134217728\nLatencyMs=" + std::to_string(c.latencyMs) +
               "\n\n[Partition Head 17]\n" + partition;
    return "[Controller Gate]\nSerial=SN-1\nKvxrealC=yes\nAddress=1:5\nListen=127.0.0.1:0\n"
           "FlashSize=134217728\nLatencyMs=" + std::to_string(c.latencyMs) +
           "\n\n[Partition Gate 17]\n" + partition;
}

double measure(const Case& c, const fs::path& folder, bool stopAndWait) {
    std::ofstream(folder / "net.ini") << network(c);
    simtest::SimProcess sim({"--network", (folder / "net.ini").string(), "--control",
                             (folder / "ctl").string()});
    if (!sim.waitReady()) {
        std::fprintf(stderr, "kvxsim did not start: %s\n", sim.stderrText().c_str());
        return 0;
    }
    comm::LinkSettings settings;
    settings.baud = c.serial ? c.rate : settings.baud;
    std::unique_ptr<comm::Link> link;
    if (c.serial) {
        link = std::make_unique<comm::SerialLink>(sim.serial(), settings);
    } else {
        const std::string answer = simtest::control(
            (folder / "ctl").string(), "fault Gate request_rate_bps " + std::to_string(c.rate));
        if (answer != "ok") std::fprintf(stderr, "control: %s\n", answer.c_str());
        const auto at = sim.tcpEndpoint("Gate");
        link = std::make_unique<comm::TcpLink>(at.host, at.port, settings);
    }
    OneLink links(std::move(link));
    std::vector<uint8_t> image(stopAndWait ? c.stopAndWaitBytes : c.imageBytes);
    for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i * 131 + 7);
    transfer::Job job;
    job.partition = 17;
    job.name = "Bench";
    job.image = image;
    transfer::Tuning tuning;
    if (stopAndWait) tuning.minWindowBytes = tuning.maxWindowBytes = 1;
    transfer::TransferEngine engine(links, tuning);
    const auto start = Clock::now();
    const auto result = engine.run(job, {});
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (result.ending != transfer::Ending::Completed) {
        std::fprintf(stderr, "%s: load %s: %s\n", c.what, transfer::endingName(result.ending),
                     result.message.c_str());
        return 0;
    }
    const double ceiling = c.serial ? c.rate / 10.0 : c.rate / 8.0;  // bytes per second
    return (double(image.size()) / seconds) / ceiling;
}

}  // namespace

int main() {
    char pattern[] = "/tmp/krelvan-bench-XXXXXX";
    const char* made = ::mkdtemp(pattern);
    if (made == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const fs::path folder(made);
    const std::vector<Case> cases = {
        {"serial 115200 baud, 16 ms adapter latency", true, 115'200, 16, 40'000, 40'000, 0.95},
        {"serial 921600 baud, 16 ms adapter latency", true, 921'600, 16, 256'000, 256'000, 0.95},
        {"TCP 100 Mbit/s, 5 ms round trip", false, kTcpBitsPerSecond, 5, 16'000'000, 2'000'000, 0.90},
        {"TCP 100 Mbit/s, 50 ms round trip", false, kTcpBitsPerSecond, 50, 24'000'000, 600'000, 0.85},
    };
    std::printf("%-44s %s\n", "share of the line's ceiling", "windowed  stop-and-wait  target");
    int status = 0;
    for (const Case& c : cases) {
        const double ratio = measure(c, folder, false);
        const double single = measure(c, folder, true);
        const bool met = ratio >= c.target;
        std::printf("%-44s %.3f  %.3f  %.2f  %s\n", c.what, ratio, single, c.target,
                    met ? "PASS" : "FAIL");
        std::fflush(stdout);
        if (!met) status = 1;
    }
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    return status;
}
