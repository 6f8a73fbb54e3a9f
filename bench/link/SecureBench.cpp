// The password-protected link against kvxsim: full handshakes per second (each a new TCP
// connection that proves the password), the handshake's cryptography alone, and #845 reads
// over a sealed link as a ratio of the same reads over a plain one (target at least 0.9).
// A busy machine must not move that ratio, so the reads come in short slices, plain and sealed
// alternating, and the figure is the median of the ratios of adjacent slices. Other work only
// ever makes a read slower, and on a busy machine its waits for a processor swamp what sealing
// costs, so a slice's rate is taken from its quickest reads, the ones nothing got in the way
// of; the slices' whole rates are printed beside. A measurement, not a test.
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "Interleave.h"
#include "platform/comm/LinkSecurity.h"
#include "platform/comm/LinkSettings.h"
#include "platform/comm/TcpLink.h"
#include "platform/kvxglib/RealLibrary.h"
#include "platform/kvxglib/TcpLinks.h"
#include "platform/secure/Handshake.h"

namespace fs = std::filesystem;

namespace {

constexpr double kSealedShareTarget = 0.9;
// 16 pairs of 125 ms slices: two seconds of each side.
constexpr int kPairs = 16;
constexpr auto kSliceTime = std::chrono::milliseconds(125);
// A slice's undisturbed rate: from the time below which this share of its reads took. The
// single quickest read is a matter of luck; a twentieth of a slice is a hundred reads or more.
constexpr double kQuickShare = 0.05;
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
    return {hostPort.substr(0, colon),
            static_cast<uint16_t>(std::stoi(hostPort.substr(colon + 1)))};
}

// Only what succeeded counts: a refusal is quicker than a handshake.
double succeededPerSecond(const bench::Rate& r) {
    return r.seconds > 0 ? (r.done - r.failed) / r.seconds : 0;
}

void report(const char* what, const bench::Rate& r) {
    std::printf("%-36s %9.0f /s  (%d in %.2f s, %d failed)\n", what, succeededPerSecond(r), r.done,
                r.seconds, r.failed);
}

// One side's slices: what all of them did, then the spread of their undisturbed rates and of
// their whole ones.
void report(const char* what, const bench::Rate& pooled, const std::vector<double>& undisturbed,
            const std::vector<double>& whole) {
    report(what, pooled);
    const bench::Spread u = bench::spread(undisturbed), w = bench::spread(whole);
    std::printf(
        "  %zu slices: undisturbed %.0f /s (quartiles %.0f to %.0f), whole %.0f /s "
        "(quartiles %.0f to %.0f)\n",
        u.count, u.median, u.lowerQuartile, u.upperQuartile, w.median, w.lowerQuartile,
        w.upperQuartile);
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
                return link.open(reason) && link.passwordCheck() == comm::PasswordCheck::Accepted;
            },
            std::chrono::milliseconds(2000), 10);
        auto verifier = secure::makeVerifier(kPassword, secure::kSimulatorCost);
        const bench::Rate crypto = bench::measure(
            [&] {
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

        // 255:30: the controller each link goes to. A few of each first, off the clock.
        using Clock = std::chrono::steady_clock;
        const auto read = [&](int32_t link) { return bench::readPla(lib, link, 255, 30); };
        bench::measure([&] { return read(plain); }, std::chrono::milliseconds(0), 200);
        bench::measure([&] { return read(sealed); }, std::chrono::milliseconds(0), 200);
        struct Side {
            int32_t link;
            bench::Rate pooled;
            std::vector<double> whole;  // each slice's reads over its time
        };
        Side plainSide{plain, {}, {}}, sealedSide{sealed, {}, {}};
        // One slice; returns its undisturbed rate.
        const auto slice = [&](Side& side) {
            std::vector<double> times;
            const bench::Rate r = bench::measure(
                [&] {
                    const auto start = Clock::now();
                    const bool ok = read(side.link);
                    times.push_back(std::chrono::duration<double>(Clock::now() - start).count());
                    return ok;
                },
                kSliceTime, 20);
            side.pooled += r;
            side.whole.push_back(succeededPerSecond(r));
            const double quick = bench::quantile(times, kQuickShare);
            return r.failed == 0 && quick > 0 ? 1 / quick : 0;
        };
        const std::vector<bench::Pair> pairs = bench::alternate(
            kPairs, [&] { return slice(plainSide); }, [&] { return slice(sealedSide); });
        std::vector<bench::Pair> wholePairs;
        for (std::size_t i = 0; i < plainSide.whole.size(); ++i)
            wholePairs.push_back({plainSide.whole[i], sealedSide.whole[i]});

        report("TCP #845 reads, plain", plainSide.pooled, bench::sideA(pairs), plainSide.whole);
        report("TCP #845 reads, sealed", sealedSide.pooled, bench::sideB(pairs), sealedSide.whole);
        const bench::Spread ratio = bench::spread(bench::ratios(pairs));
        const bench::Spread wholeRatio = bench::spread(bench::ratios(wholePairs));
        std::printf("%-36s %9.2f     target >= %.2f  ratio to target %.2f\n",
                    "sealed / plain exchange rate", ratio.median, kSealedShareTarget,
                    ratio.median / kSealedShareTarget);
        std::printf(
            "  median of %zu pairs of adjacent %lld ms slices, undisturbed rates (from "
            "each slice's quickest %.0f %% of reads); quartiles %.2f to %.2f, all %.2f "
            "to %.2f\n",
            ratio.count, static_cast<long long>(kSliceTime.count()), 100 * kQuickShare,
            ratio.lowerQuartile, ratio.upperQuartile, ratio.low, ratio.high);
        std::printf(
            "  whole slices' rates, other work included: median %.2f, quartiles %.2f to "
            "%.2f; all reads pooled %.2f\n",
            wholeRatio.median, wholeRatio.lowerQuartile, wholeRatio.upperQuartile,
            succeededPerSecond(sealedSide.pooled) / succeededPerSecond(plainSide.pooled));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_secure: %s\n", e.what());
        rc = 1;
    }
    return rc;
}
