// Exchanges through the program's link against kvxsim with dropped replies, garbage and cuts in
// both directions mixed in: none may hang or outlast its time-out, every failure must be
// reported as one, and no value read may be one the controller could not hold. KRELVAN_SOAK=1
// runs 10,000 exchanges; `make test` runs a short sample of the same mix.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <random>
#include <set>
#include <thread>

#include "link/TypedAccess.h"
#include "platform/kvxglib/TcpLinks.h"
#include "sim/SimClient.h"
#include "sim/SimProcess.h"
#include "support/ProgramFixture.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr int32_t Normal = static_cast<int32_t>(0x80000000u);
constexpr milliseconds kTimeout{150};
constexpr milliseconds kConnectTimeout{500};
// A reconnect and the exchange, plus what a loaded machine adds to scheduling.
constexpr milliseconds kBudget = kConnectTimeout + kTimeout + milliseconds(300);
// Far beyond any time-out: an exchange still running then never ends by itself.
constexpr milliseconds kHang{10000};

const char* kNetwork = R"([Simulator]
ColdStartMs=0
[Controller Soak]
Serial=SN-SOAK
Address=12:3
Listen=127.0.0.1:0
Var.300.4=1,6,0
)";

std::size_t exchangeCount() {
    const char* v = std::getenv("KRELVAN_SOAK");
    return v != nullptr && std::string(v) == "1" ? 10000 : 120;
}

struct Counts {
    std::size_t ok = 0, reported = 0, overTime = 0, hangs = 0, wrong = 0;
};

void print(const Counts& c) {
    std::printf("link soak: %zu ok, %zu failed and reported, %zu over time, %zu hangs, "
                "%zu wrong values accepted\n",
                c.ok, c.reported, c.overTime, c.hangs, c.wrong);
    std::fflush(stdout);
}

// Ends the process when one exchange has run for kHang: a hung call cannot be taken back, and
// the counts so far are the finding.
class Watchdog {
  public:
    explicit Watchdog(const Counts& counts) : counts_(counts), thread_([this] { watch(); }) {}
    ~Watchdog() {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        wake_.notify_all();
        thread_.join();
    }
    void started() { since_ = Clock::now().time_since_epoch().count(); }
    void ended() { since_ = 0; }

  private:
    void watch() {
        std::unique_lock lock(mutex_);
        while (!wake_.wait_for(lock, milliseconds(100), [this] { return stop_; })) {
            const auto since = since_.load();
            if (since != 0 && Clock::now().time_since_epoch().count() - since >
                                  std::chrono::duration_cast<Clock::duration>(kHang).count()) {
                Counts c = counts_;
                ++c.hangs;
                print(c);
                std::_Exit(3);
            }
        }
    }
    const Counts& counts_;
    std::atomic<Clock::rep> since_{0};
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false;
    std::thread thread_;
};

}  // namespace

TEST(LinkSoak, NoHangNoOverrunEveryFailureReportedNoWrongValue) {
    testsupport::ProgramFixture fixture(false);
    fixture.temp.write("net.ini", kNetwork);
    simtest::SimProcess sim(
        {"--network", fixture.temp / "net.ini", "--control", fixture.temp / "ctl"});
    ASSERT_TRUE(sim.waitReady()) << sim.stderrText();
    kvxglib::RealLibrary& glib = *fixture.glib;
    glib.WriteSettingText("Kvxmatic.Ini", "Link", "TcpTimeoutMs",
                          std::to_string(kTimeout.count()), 0);
    glib.WriteSettingText("Kvxmatic.Ini", "Link", "TcpConnectTimeoutMs",
                          std::to_string(kConnectTimeout.count()), 0);
    const simtest::Endpoint at = sim.tcpEndpoint("Soak");
    std::string why;
    const int32_t link = kvxglib::openTcpLink(glib, at.host, at.port, &why);
    ASSERT_NE(link, 0) << why;
    auto control = [&](const std::string& line) {
        return simtest::control(fixture.temp / "ctl", line);
    };

    // The knobs mixed in, each for one exchange; most exchanges run clean.
    const char* faults[] = {"drop_reply 1", "garbage 1", "close_after_bytes 3",
                            "close_after_bytes 9", "cut_after_request_bytes 4",
                            "cut_after_request_bytes 12"};
    std::mt19937 random(20261209);
    Counts counts;
    Watchdog watchdog(counts);
    // What the controller may hold: the last value confirmed, and every write since whose
    // outcome is unknown (it may have been applied before its reply was lost).
    std::set<int32_t> possible{0};
    const std::size_t total = exchangeCount();
    for (std::size_t i = 0; i < total; ++i) {
        const bool faulty = random() % 10 < 3;
        if (faulty) {
            const std::string knob = faults[random() % std::size(faults)];
            ASSERT_EQ(control("fault Soak " + knob), "ok");
        }
        const bool write = i % 2 == 0;
        const int32_t value = static_cast<int32_t>(i) + 1;
        int32_t read = -1;
        int32_t status = 0;
        watchdog.started();
        const auto start = Clock::now();
        const bool ok =
            write ? clink::WriteLong(glib, link, 12, 3, 300, 0, 4, value, Normal, status, u"")
                  : clink::ReadLong(glib, link, 12, 3, 300, 0, 4, read, Normal, status, u"");
        const auto took = Clock::now() - start;
        watchdog.ended();
        if (faulty) {
            ASSERT_EQ(control("clear Soak"), "ok");
        }
        if (took > kBudget) ++counts.overTime;
        if (!ok) {
            ++counts.reported;
            if (write) possible.insert(value);
        } else if (write) {
            possible = {value};
            ++counts.ok;
        } else if (possible.count(read) == 0) {
            // Also a write reported done that the controller never got.
            ++counts.wrong;
        } else {
            possible = {read};
            ++counts.ok;
        }
    }
    print(counts);
    // Without faults the link is whole again and the controller holds a value it may hold.
    int32_t held = -1;
    int32_t status = 0;
    ASSERT_TRUE(clink::ReadLong(glib, link, 12, 3, 300, 0, 4, held, Normal, status, u""));
    EXPECT_EQ(possible.count(held), 1u) << held;
    EXPECT_EQ(counts.ok + counts.reported + counts.wrong, total);
    EXPECT_EQ(counts.overTime, 0u);
    EXPECT_EQ(counts.wrong, 0u);
    // The mix must have made some exchanges fail, or it tested nothing.
    EXPECT_GT(counts.reported, total / 20);
    EXPECT_GT(counts.ok, total / 2);
}
