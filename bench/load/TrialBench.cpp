// What activation on trial adds to a load on an idle link: krelvan-cli loads the same program
// into two controllers of one kvxsim, one built before the trial (activated plainly and read
// back) and one that runs the trial (activate, read it running, confirm). Both are measured in
// the same run, alternately, and the medians are printed with their difference and ratio. The
// exit status is 1 when the trial adds more than a second, or a load fails.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "sim/SimProcess.h"
#include "support/RunCommand.h"
#include "support/TempFolder.h"

using Clock = std::chrono::steady_clock;

namespace {

constexpr int kRounds = 5;
constexpr double kTargetSeconds = 1.0;

std::string controller(const std::string& id, int ela, const std::string& trialMs) {
    std::string text = "[Controller " + id + "]\nSerial=BENCH-" + id +
                       "\nModel=300\nKvxrealC=yes\nAddress=1:" + std::to_string(ela) +
                       "\nListen=127.0.0.1:0\nFlashSize=8388608\nActivePartition=16\n"
                       "TrialMs=" + trialMs + "\n\n";
    for (int n : {16, 32, 33})
        text += "[Partition " + id + " " + std::to_string(n) + "]\nName=P" + std::to_string(n) +
                "\nType=2\nAttr5=1\nSize=4096\nMaxSize=2097152\n\n";
    return text;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main() {
    testsupport::TempFolder temp;
    const std::string machine = temp.copyDemo();
    temp.write("net.ini", controller("Plain", 1, "0") + controller("Trial", 2, "30000"));
    simtest::SimProcess sim({"--network", temp / "net.ini"});
    if (!sim.waitReady()) {
        std::fprintf(stderr, "bench_trial: kvxsim did not start: %s\n", sim.stderrText().c_str());
        return 1;
    }
    bool failed = false;
    auto load = [&](const std::string& id, int partition) {
        const auto start = Clock::now();
        const auto r = testsupport::runCommand(
            {KRELVAN_CLI_PATH, "load", "--machine", machine, "--model", "3", "--program", "2",
             "--link", "tcp:" + sim.tcp(id), "--partition", std::to_string(partition)},
            120);
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        if (r.exitCode != 0) {
            std::fprintf(stderr, "bench_trial: the load into %s failed:\n%s%s\n", id.c_str(),
                         r.out.c_str(), r.err.c_str());
            failed = true;
        }
        return seconds;
    };
    std::vector<double> plain, trial;
    for (int round = 0; round < kRounds; ++round) {
        // The running partition cannot take a load: each round loads the other one.
        const int partition = round % 2 == 0 ? 32 : 33;
        plain.push_back(load("Plain", partition));
        trial.push_back(load("Trial", partition));
    }
    const double p = median(plain), t = median(trial);
    const bool pass = !failed && t - p <= kTargetSeconds;
    std::printf("load without the trial (median of %d): %.3f s\n", kRounds, p);
    std::printf("load with the trial    (median of %d): %.3f s\n", kRounds, t);
    std::printf("the trial adds %.3f s (ratio %.3f); target at most %.1f s: %s\n", t - p, t / p,
                kTargetSeconds, pass ? "PASS" : "FAIL");
    return pass ? 0 : 1;
}
