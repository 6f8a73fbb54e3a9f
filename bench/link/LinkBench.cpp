// Exchanges per second through the general library against kvxsim: #845 reads and 0x98 polls
// over TCP loopback and over the serial pseudo-terminal, and a sweep of 64,774 polls over TCP
// where every address but one is "no such station". Prints the figures and their ratio to the
// targets; it is a measurement, not a test.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/kvxglib/RealLibrary.h"
#include "platform/kvxglib/TcpLinks.h"
#include "platform/ui/MessageBoxes.h"
#include "platform/wire/Frame.h"
#include "platform/wire/SerialFraming.h"
#include "BenchSupport.h"

namespace fs = std::filesystem;
using bench::SilentBoxes;
using bench::Simulator;
using bench::measure;
using bench::Rate;
using bench::readPla;
using Clock = std::chrono::steady_clock;

namespace {

constexpr double kTcpPollTarget = 10'000;  // polls per second
constexpr double kSweepTargetSeconds = 10;
constexpr int kSweepCount = 64'774;
constexpr uint32_t kBaud = 115'200;
constexpr double kSerialShareTarget = 0.9;  // of what the line allows
constexpr int32_t kFlags = static_cast<int32_t>(0x80000000u);

// The sweep's gateway has no bus stations: only its own address answers.
const char* kSweepNetwork = R"([Controller Gate]
Serial=SN-GATE
Address=1:5
Listen=127.0.0.1:0
)";

const char* kNetwork = R"([Simulator]
Baud=115200

[Controller Gate]
Serial=SN-GATE
KvxrealC=yes
Address=1:5
Listen=127.0.0.1:0

[Controller Head]
Bus=serial
Serial=SN-HEAD
KvxrealC=yes
Address=10:1
)";

// One telegram through a request object, as the program sends it, waiting without sleeping.
bool sendTelegram(kvxglib::Library& lib, int32_t link, std::vector<uint8_t> request,
                  int16_t option) {
    const auto handle = lib.CreateRequest(168);
    lib.BindRequest(handle, link);
    std::string label;
    lib.SubmitRequest(handle, request.data(), static_cast<int16_t>(request.size()), option, kFlags,
                      label);
    bool ok = false;
    if (lib.StartExchange(handle) != 0) {
        while ((lib.ExchangeComplete(handle) & 0xFFFF) == 0) std::this_thread::yield();
        uint8_t reply[128];
        int16_t length = sizeof reply, c1 = 0, c2 = 0;
        ok = (lib.FetchReply(handle, reply, &length, &c1, &c2) & 0xFFFF) != 0;
    }
    lib.ReleaseRequest(handle, 168);
    return ok;
}


int32_t openLink(kvxglib::RealLibrary& lib, const std::string& hostPort) {
    const auto colon = hostPort.rfind(':');
    std::string why;
    const int32_t link =
        kvxglib::openTcpLink(lib, hostPort.substr(0, colon),
                             static_cast<uint16_t>(std::stoi(hostPort.substr(colon + 1))), &why);
    if (link == 0) throw std::runtime_error(why);
    return link;
}

// The best the line allows: request and reply back to back at 10 bits a byte.
double lineLimit(std::size_t requestFrame, std::size_t replyFrame) {
    const double bytes =
        static_cast<double>(wire::serialWireSize(requestFrame) + wire::serialWireSize(replyFrame));
    return kBaud / (bytes * 10.0);
}

void report(const char* what, const Rate& rate, double target, const char* unit) {
    std::printf("%-34s %9.0f %s  (%d exchanges in %.2f s, %d failed)  target %.0f  ratio %.2f\n",
                what, rate.perSecond(), unit, rate.done, rate.seconds, rate.failed, target,
                rate.perSecond() / target);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string kvxsim = argc > 1 ? argv[1] : KVXSIM_PATH;
    const bench::WorkFolder folder;
    if (!folder.ok()) return 1;
    const fs::path& work = folder.path();
    std::ofstream(work / "network.ini") << kNetwork;
    std::ofstream(work / "sweep.ini") << kSweepNetwork;
    fs::create_directories(work / "machine");
    int rc = 0;
    try {
        Simulator sim(kvxsim, (work / "network.ini").string());
        std::ofstream(work / "machine/Kvxmatic.Ini")
            << "[Link]\nBaud=" << kBaud << "\nPort=" << sim.serial() << "\n";
        SilentBoxes boxes;
        kvxglib::RealLibrary lib(boxes, (work / "machine").string());
        const std::string gate = sim.tcp("Gate");
        const int32_t tcp = openLink(lib, gate);

        using std::chrono::milliseconds;
        std::printf("kvxsim at %s, serial bus %s at %u baud\n", gate.c_str(), sim.serial().c_str(),
                    kBaud);
        const Rate tcpPolls = measure(
            [&] {
                return sendTelegram(lib, tcp, {1, 5, 0x98}, 1);
            },
            milliseconds(2000), 1000);
        report("TCP 0x98 polls", tcpPolls, kTcpPollTarget, "/s");
        const Rate tcpReads =
            measure([&] { return readPla(lib, tcp, 1, 5); }, milliseconds(2000), 1000);
        report("TCP #845 reads", tcpReads, kTcpPollTarget, "/s");

        // The sweep: every user address and four more, one of them the gateway itself.
        Simulator sweepSim(kvxsim, (work / "sweep.ini").string());
        const int32_t sweepLink = openLink(lib, sweepSim.tcp("Gate"));
        int answered = 0;
        const auto sweepStart = Clock::now();
        int sent = 0;
        for (int pla = 1; pla <= 255 && sent < kSweepCount; ++pla) {
            for (int ela = 1; ela <= 255 && sent < kSweepCount; ++ela, ++sent) {
                if (sendTelegram(lib, sweepLink,
                                 {static_cast<uint8_t>(pla), static_cast<uint8_t>(ela), 0x98}, 1)) {
                    ++answered;
                }
            }
        }
        const double sweepSeconds =
            std::chrono::duration<double>(Clock::now() - sweepStart).count();
        std::printf(
            "%-34s %9.2f s   (%d polls, %d answered, %.0f polls/s)  target < %.0f s  "
            "ratio %.2f\n",
            "TCP sweep of 64,774 addresses", sweepSeconds, sent, answered, sent / sweepSeconds,
            kSweepTargetSeconds, sweepSeconds / kSweepTargetSeconds);
        if (answered != 1) std::printf("  (expected exactly one answer)\n");

        // Serial: link 0, the port of Kvxmatic.Ini. Poll request 6+2 bytes, reply 9+2; read
        // request 6+8, reply 9+3.
        const Rate serialPolls = measure(
            [&] {
                return sendTelegram(lib, 0, {10, 1, 0x98}, 1);
            },
            milliseconds(3000), 200);
        const double pollLimit = lineLimit(8, 11);
        report("serial 0x98 polls", serialPolls, pollLimit * kSerialShareTarget, "/s");
        std::printf("  line allows %.0f polls/s; measured %.1f %% of it (target 90 %%)\n",
                    pollLimit, 100 * serialPolls.perSecond() / pollLimit);
        const Rate serialReads =
            measure([&] { return readPla(lib, 0, 10, 1); }, milliseconds(3000), 200);
        const double readLimit = lineLimit(14, 12);
        report("serial #845 reads", serialReads, readLimit * kSerialShareTarget, "/s");
        std::printf("  line allows %.0f reads/s; measured %.1f %% of it (target 90 %%)\n",
                    readLimit, 100 * serialReads.perSecond() / readLimit);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_link: %s\n", e.what());
        rc = 1;
    }
    return rc;
}
