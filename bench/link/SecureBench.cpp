// The password-protected link against kvxsim: full handshakes per second (each a new TCP
// connection that proves the password), the handshake's cryptography alone, and #845 reads
// over a sealed link as a ratio of the same reads over a plain one (target at least 0.9).
// Plain and sealed rounds alternate so that both see the same machine load. A measurement,
// not a test.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>

#include "BenchSupport.h"
#include "platform/comm/LinkSecurity.h"
#include "platform/comm/LinkSettings.h"
#include "platform/comm/TcpLink.h"
#include "platform/kvxglib/RealLibrary.h"
#include "platform/kvxglib/TcpLinks.h"
#include "platform/secure/Handshake.h"

namespace fs = std::filesystem;

namespace {

constexpr double kSealedShareTarget = 0.9;
constexpr int kRounds = 5;
constexpr auto kRoundTime = std::chrono::milliseconds(400);
constexpr const char* kPassword = "Bench-pw1";

// Two controllers alike but for the password: the sealed one requires it.
const char* kNetwork = R"([Controller Plain]
Serial=SN-PLAIN
KvxrealC=yes
Address=1:5
Listen=127.0.0.1:0

[Controller Sealed]
Serial=SN-SEALED
KvxrealC=yes
Address=2:5
Listen=127.0.0.1:0
Password=Bench-pw1
EncryptionRequired=yes
)";

struct HostPort {
    std::string host;
    uint16_t port = 0;
};

HostPort split(const std::string& hostPort) {
    const auto colon = hostPort.rfind(':');
    return {hostPort.substr(0, colon), static_cast<uint16_t>(std::stoi(hostPort.substr(colon + 1)))};
}

// Only what succeeded counts: a refusal is quicker than a handshake.
double succeededPerSecond(const bench::Rate& r) {
    return r.seconds > 0 ? (r.done - r.failed) / r.seconds : 0;
}

void report(const char* what, const bench::Rate& r) {
    std::printf("%-36s %9.0f /s  (%d in %.2f s, %d failed)\n", what, succeededPerSecond(r),
                r.done, r.seconds, r.failed);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string kvxsim = argc > 1 ? argv[1] : KVXSIM_PATH;
    const bench::WorkFolder folder;
    if (!folder.ok()) return 1;
    const fs::path& work = folder.path();
    std::ofstream(work / "network.ini") << kNetwork;
    fs::create_directories(work / "machine");
    std::ofstream(work / "machine/Kvxmatic.Ini") << "[Link]\n";
    int rc = 0;
    try {
        bench::Simulator sim(kvxsim, (work / "network.ini").string());
        bench::SilentBoxes boxes;
        kvxglib::RealLibrary lib(boxes, (work / "machine").string());
        const HostPort plainAt = split(sim.tcp("Plain")), sealedAt = split(sim.tcp("Sealed"));
        std::string why;
        const int32_t plain = kvxglib::openTcpLink(lib, plainAt.host, plainAt.port, &why);
        const int32_t sealed = kvxglib::openSecureTcpLink(lib, sealedAt.host, sealedAt.port,
                                                          secure::Secret(kPassword), &why);
        if (plain == 0 || sealed == 0) throw std::runtime_error(why);

        // The library lets a host send a controller only three proofs a minute, so the
        // handshakes run on links of their own without that budget: the same connection and
        // handshake as the library's, as often as they can.
        const comm::LinkSettings settings;
        const secure::Secret password(kPassword);
        const bench::Rate handshakes = bench::measure(
            [&] {
                comm::TcpLink link(sealedAt.host, sealedAt.port, settings,
                                   std::make_unique<comm::LinkSecurity>(password));
                std::string reason;
                return link.open(reason) &&
                       link.passwordCheck() == comm::PasswordCheck::Accepted;
            },
            std::chrono::milliseconds(2000), 10);
        auto verifier = secure::makeVerifier(kPassword, secure::kSimulatorCost);
        const bench::Rate crypto = bench::measure([&] {
                secure::HostHandshake host;
                secure::ControllerHandshake controller;
                auto hello = controller.answer(*verifier, "BENCH-1", host.hello());
                auto proof = hello ? host.prove(kPassword, *hello) : std::nullopt;
                auto accepted = proof ? controller.check(*proof) : std::nullopt;
                return accepted && host.confirm(accepted->reply);
            },
            std::chrono::milliseconds(1000), 10);
        std::printf("password hash: Argon2id, %u pass(es), %u KiB (the simulator's cost)\n",
                    secure::kSimulatorCost.opsLimit, secure::kSimulatorCost.memLimitKiB);
        report("handshakes over TCP", handshakes);
        report("handshake cryptography alone", crypto);

        bench::Rate plainReads, sealedReads;
        for (int i = 0; i < kRounds; ++i) {
            // 255:30: the controller each link goes to.
            plainReads += bench::measure([&] { return bench::readPla(lib, plain, 255, 30); },
                                         kRoundTime, 100);
            sealedReads += bench::measure([&] { return bench::readPla(lib, sealed, 255, 30); },
                                          kRoundTime, 100);
        }
        report("TCP #845 reads, plain", plainReads);
        report("TCP #845 reads, sealed", sealedReads);
        const double ratio = succeededPerSecond(sealedReads) / succeededPerSecond(plainReads);
        std::printf("%-36s %9.2f     target >= %.2f  ratio to target %.2f\n",
                    "sealed / plain exchange rate", ratio, kSealedShareTarget,
                    ratio / kSealedShareTarget);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_secure: %s\n", e.what());
        rc = 1;
    }
    return rc;
}
