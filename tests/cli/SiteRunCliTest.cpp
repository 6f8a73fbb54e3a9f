// A whole site from the command line against kvxsim: twelve controllers loaded in parallel,
// two of them failing (a refused commit, one mended and one not) and one behind its
// network password; the failed rows redone after the fault is mended; a run stopped with
// Ctrl-C; the stations of a serial bus, older controllers among them. What each controller
// holds afterwards is read from kvxsim's saved state.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>

#include "platform/wire/Crc32.h"
#include "sim/DemoMachine.h"
#include "sim/SimClient.h"
#include "sim/SimProcess.h"
#include "sim/SiteState.h"
#include "site/Report.h"
#include "site/RunLock.h"
#include "support/RunCommand.h"
#include "support/TempFolder.h"

using ::testing::HasSubstr;
using ::testing::Not;

namespace {

constexpr int kControllers = 12;
// Refuses every commit, mended never. (A controller of another model is the check's: the run
// would not start.)
constexpr int kNeverMended = 5;
constexpr int kRefusing = 7;    // its commit refused through the control socket
constexpr int kSealed = 9;      // demands the site's network password (every one has it)
const char* const kPassword = "site-pass";

std::string id(int n) { return "C" + std::to_string(n); }
std::string serial(int n) { return "SITE-" + std::to_string(100 + n); }

std::string network() {
    std::string text = "[Simulator]\nColdStartMs=0\nDiscovery=0.0.0.0:0\n\n";
    for (int n = 1; n <= kControllers; ++n) {
        // A site run's password always means a sealed link: every controller has it.
        const std::string sealed = std::string("Password=") + kPassword + "\n" +
                                   (n == kSealed ? "EncryptionRequired=yes\n" : "");
        text += simtest::kvxrealCController(id(n), serial(n), n, "300", sealed);
    }
    return text;
}

// 3.1-0-02 ships a newer operating system than the controllers run; 3.0-1-05 ships the one
// they run, so a run of it loads the program alone.
constexpr const char* kWithOs = "3.1-0-02";
constexpr const char* kProgramOnly = "3.0-1-05";

std::string plan(int controllers, const std::string& revision = kWithOs) {
    std::string text = "serial,link,address,model,revision,partition,new-address,settings\n";
    for (int n = 1; n <= controllers; ++n) {
        text += serial(n) + ",,,KVX300C KVXreal C controller," + revision + ",32," +
                (n == 3 ? "2:3" : "") + ",\n";
    }
    return text;
}

// The command with a terminal on its stdin that nobody types on, its output in files.
testsupport::CommandResult runOnTerminal(const std::vector<std::string>& args, int timeoutSeconds) {
    testsupport::CommandResult result;
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) return result;
    const std::string slave = ::ptsname(master);
    testsupport::TempFolder files;
    const std::string out = files / "out";
    const std::string err = files / "err";
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int terminal = ::open(slave.c_str(), O_RDWR | O_NOCTTY);
        const int outFd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int errFd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(terminal, STDIN_FILENO);
        ::dup2(outFd, STDOUT_FILENO);
        ::dup2(errFd, STDERR_FILENO);
        std::vector<char*> argv;
        for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    result.exitCode = testsupport::waitExit(pid, std::chrono::seconds(timeoutSeconds));
    ::close(master);
    result.out = files.read("out");
    result.err = files.read("err");
    return result;
}

using Saved = simtest::SavedController;

class SiteRunCli : public ::testing::Test {
  protected:
    void SetUp() override {
        startSim(network());
        ASSERT_TRUE(simtest::pointDemoDiscoveryAt(temp, *sim));
    }
    void startSim(const std::string& networkFile) {
        machine = temp.copyDemo();
        temp.write("net.ini", networkFile);
        temp.write("state/.keep", "");
        sim = std::make_unique<simtest::SimProcess>(std::vector<std::string>{
            "--network", temp / "net.ini", "--state", temp / "state", "--control", temp / "ctl"});
        ASSERT_TRUE(sim->waitReady()) << sim->stderrText();
    }
    std::vector<std::string> site(std::vector<std::string> args) {
        args.insert(args.begin(), {KRELVAN_CLI_PATH, "site", "run"});
        args.insert(args.end(), {"--machine", machine, "--yes"});
        return args;
    }
    std::string control(const std::string& line) { return simtest::control(temp / "ctl", line); }
    Saved saved(const std::string& controllerId) {
        return simtest::readSavedController(temp / ("state/" + controllerId + ".state"));
    }
    Saved saved(int n) { return saved(id(n)); }
    static nlohmann::json readJson(const std::string& path) {
        std::ifstream in(path);
        return nlohmann::json::parse(in);
    }
    static std::string hex(long long value) { return simtest::checksumText(value); }
    // The report a run named in its last line: "Report: <json> and <csv>".
    static std::string reportNamed(const std::string& out) {
        const size_t named = out.rfind("Report: ");
        if (named == std::string::npos) return "";
        const size_t from = named + 8;
        return out.substr(from, out.find(" and ", from) - from);
    }
    // Every byte kvxsim keeps of its controllers.
    std::map<std::string, std::string> stateFiles() {
        std::map<std::string, std::string> files;
        for (const auto& entry : std::filesystem::directory_iterator(temp / "state"))
            files[entry.path().filename()] = temp.read("state/" + entry.path().filename().string());
        return files;
    }
    // The row of `serial` in a report.
    static nlohmann::json row(const nlohmann::json& report, const std::string& serial) {
        for (const auto& r : report["controllers"])
            if (r["controller"] == serial) return r;
        return {};
    }

    testsupport::TempFolder temp;
    std::string machine;
    std::unique_ptr<simtest::SimProcess> sim;
};

TEST_F(SiteRunCli, TwelveControllersTwoFailingTheFailedOnesRedoneAfterTheMend) {
    temp.write("site.csv", plan(kControllers));
    ASSERT_EQ(control("fault " + id(kRefusing) + " refuse_commit 1"), "ok");
    ASSERT_EQ(control("fault " + id(kNeverMended) + " refuse_commit 1"), "ok");
    auto r = testsupport::runCommandWithInput(
        site({temp / "site.csv", "--jobs", "6", "--password-stdin"}), std::string(kPassword) + "\n",
        120);
    EXPECT_EQ(r.exitCode, 1) << r.out << r.err;
    // Piped: plain lines, the serial number first, each row's result once, then the counts.
    EXPECT_THAT(r.out, HasSubstr(serial(1) + "\tload\t"));
    for (int n = 1; n <= kControllers; ++n) {
        SCOPED_TRACE(serial(n));
        const std::string result = n == kNeverMended || n == kRefusing ? "failed" : "succeeded";
        const std::string line = "\n" + serial(n) + "\t" + result + "\n";
        const size_t at = r.out.find(line);
        EXPECT_NE(at, std::string::npos) << r.out;
        EXPECT_EQ(r.out.find(line, at + 1), std::string::npos) << r.out;
    }
    EXPECT_THAT(r.out, HasSubstr("\n12 controllers: 10 succeeded, 2 failed\nReport: "));
    const std::string firstReport = reportNamed(r.out);
    EXPECT_THAT(firstReport, HasSubstr(temp / "site.report.20"));
    const auto report = readJson(firstReport);
    ASSERT_EQ(report["controllers"].size(), static_cast<size_t>(kControllers));
    EXPECT_FALSE(report["interrupted"].get<bool>());
    EXPECT_THAT(temp.read(std::filesystem::path(firstReport).replace_extension(".csv").filename()),
                HasSubstr(serial(kRefusing) + "," + serial(kRefusing)));

    std::string checksum;
    for (int n = 1; n <= kControllers; ++n) {
        SCOPED_TRACE(serial(n));
        const Saved s = saved(n);
        const auto entry = row(report, serial(n));
        if (n == kNeverMended || n == kRefusing) {
            EXPECT_EQ(entry["result"], "failed");
            EXPECT_EQ(s.activePartition, 16);
            EXPECT_EQ(s.checksums.count(32), 0u);
            continue;
        }
        EXPECT_EQ(entry["result"], "succeeded") << entry.dump(1);
        EXPECT_EQ(s.activePartition, 32);
        ASSERT_EQ(s.checksums.count(32), 1u);
        EXPECT_EQ(entry["imageChecksum"], hex(s.checksums.at(32)));
        if (checksum.empty()) checksum = entry["imageChecksum"];
        EXPECT_EQ(entry["imageChecksum"], checksum);
        EXPECT_EQ(entry["osAfter"], s.version);
        EXPECT_EQ(entry["partition"], 32);
        EXPECT_EQ(entry["name"], "Room " + std::to_string(n));
        EXPECT_TRUE(std::filesystem::is_regular_file(entry["backupFile"].get<std::string>()));
        EXPECT_EQ(entry["addressAfter"], n == 3 ? "2:3" : "1:" + std::to_string(n));
        EXPECT_EQ(s.address, entry["addressAfter"]);
    }
    EXPECT_THAT(row(report, serial(kRefusing))["messages"].dump(), HasSubstr("refused"));

    // Mended: the refusing controller takes commits again; only the failed rows of the plan's
    // newest report run.
    ASSERT_EQ(control("clear " + id(kRefusing)), "ok");
    r = testsupport::runCommandWithInput(
        site({temp / "site.csv", "--only-failed", "--password-stdin"}),
        std::string(kPassword) + "\n", 120);
    EXPECT_EQ(r.exitCode, 1) << r.out << r.err;
    EXPECT_THAT(r.out, HasSubstr("\n2 controllers: 1 succeeded, 1 failed\n"));
    // The rerun's report comes beside the first, which keeps every row.
    EXPECT_EQ(readJson(firstReport), report);
    const std::string againPath = reportNamed(r.out);
    ASSERT_NE(againPath, "") << r.out << r.err;
    EXPECT_THAT(againPath, HasSubstr(temp / "site.report.20"));
    EXPECT_NE(againPath, firstReport);
    std::filesystem::copy_file(againPath, temp / "again.json");
    const auto again = readJson(temp / "again.json");
    ASSERT_EQ(again["controllers"].size(), 2u);
    EXPECT_EQ(row(again, serial(kRefusing))["result"], "succeeded");
    EXPECT_EQ(row(again, serial(kNeverMended))["result"], "failed");
    EXPECT_EQ(saved(kRefusing).activePartition, 32);
    EXPECT_EQ(hex(saved(kRefusing).checksums.at(32)), checksum);
    EXPECT_EQ(saved(kNeverMended).activePartition, 16);

    // Redone once more from the newest report: only the row that still failed.
    r = testsupport::runCommandWithInput(
        site({temp / "site.csv", "--only-failed", "--password-stdin", "--no-backup"}),
        std::string(kPassword) + "\n", 120);
    EXPECT_EQ(r.exitCode, 1) << r.out << r.err;
    EXPECT_THAT(r.out, HasSubstr("\n1 controller: 1 failed\n"));
    EXPECT_EQ(readJson(reportNamed(r.out))["controllers"].size(), 1u);
}

// Found before anything is sent, each controller left byte for byte as it was: a report that
// could not be written, another run of the same plan under way, a rerun from another plan's
// report or from none.
TEST_F(SiteRunCli, RefusedBeforeAnythingIsSent) {
    temp.write("site.csv", plan(2));
    temp.write("other.csv", plan(2));
    temp.write("a-file", "x");
    std::string why;
    site::Report otherReport;
    otherReport.plan = temp / "other.csv";
    otherReport.rows.push_back({});
    otherReport.rows.back().controller = serial(1);
    otherReport.rows.back().result = site::RowResult::Failed;
    ASSERT_TRUE(site::writeReport(otherReport, temp / "other.report.json", why)) << why;
    std::filesystem::create_directory(temp / "blocked.csv");
    const auto before = stateFiles();
    ASSERT_FALSE(before.empty());

    const struct {
        std::string name;
        std::vector<std::string> args;
        bool lockHeld;
        int exitCode;
        std::string says;
    } cases[] = {
        {"a file where the report's folder must be",
         {"--report", temp / "a-file/r.json"},
         false,
         1,
         "a-file/r.json: Not a directory\nNothing was sent."},
        {"a folder where the report's CSV must go",
         {"--report", temp / "blocked.json"},
         false,
         1,
         "blocked.csv: a folder of that name is in the way\nNothing was sent."},
        {"the plan running",
         {},
         true,
         1,
         "another run of " + temp / "site.csv" + " is under way (process " +
             std::to_string(::getpid()) + "): nothing was sent"},
        {"another plan's report",
         {"--only-failed=" + temp / "other.report.json"},
         false,
         2,
         "is the report of " + temp / "other.csv" + ", not of " + temp / "site.csv"},
        {"no report of the plan", {"--only-failed"}, false, 2, "no report of "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<site::RunLock> lock;
        if (c.lockHeld) {
            lock = site::RunLock::take(machine, temp / "site.csv", why);
            ASSERT_TRUE(lock) << why;
        }
        std::vector<std::string> args = {temp / "site.csv", "--password-stdin"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const auto r =
            testsupport::runCommandWithInput(site(args), std::string(kPassword) + "\n", 60);
        EXPECT_EQ(r.exitCode, c.exitCode) << r.out << r.err;
        EXPECT_THAT(r.err, HasSubstr(c.says));
        EXPECT_EQ(stateFiles(), before);
        // No report was left of a run that never began.
        for (const auto& entry : std::filesystem::directory_iterator(temp.path()))
            EXPECT_THAT(entry.path().filename().string(), Not(HasSubstr("site.report")));
    }
    // The plan runs once the other run is over.
    auto r = testsupport::runCommandWithInput(site({temp / "site.csv", "--password-stdin"}),
                                              std::string(kPassword) + "\n", 120);
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_EQ(saved(1).activePartition, 32);
    ASSERT_EQ(saved(2).checksums.count(32), 1u);
    EXPECT_EQ(readJson(reportNamed(r.out))["controllers"][1]["imageChecksum"],
              hex(saved(2).checksums.at(32)));

    // One row is one controller, also in the check's verdict.
    temp.write("one.csv", "serial,model,revision,partition\n" + serial(4) +
                              ",KVX300C KVXreal C controller,3.1-0-02,32\n");
    r = testsupport::runCommand(
        {KRELVAN_CLI_PATH, "site", "check", temp / "one.csv", "--machine", machine}, 60);
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_THAT(r.out, HasSubstr("one.csv: 1 controller, no problems\n"));
}

// --yes with a terminal on stdin and no --password-stdin asks nothing: a controller that wants
// the site's password stops the plan at its check, saying so, and nothing is sent.
TEST_F(SiteRunCli, YesNeverAsksForThePassword) {
    temp.write("site.csv", "serial,link,address,model,revision,partition,new-address,settings\n" +
                               serial(1) + ",,,KVX300C KVXreal C controller,3.1-0-02,32,,\n" +
                               serial(kSealed) + ",,,KVX300C KVXreal C controller,3.1-0-02,32,,\n");
    const auto before = stateFiles();
    const auto r = runOnTerminal(site({temp / "site.csv"}), 30);
    EXPECT_EQ(r.exitCode, 1) << r.out << r.err;
    EXPECT_THAT(r.err, Not(HasSubstr("Network password")));
    EXPECT_THAT(r.err, HasSubstr(serial(kSealed) + " needs the network password"));
    EXPECT_THAT(r.err, HasSubstr("nothing was sent"));
    EXPECT_EQ(stateFiles(), before);
}

// --help-all shows the options of the commands under `site` and `settings` too.
TEST(SiteRunHelp, HelpAllShowsEveryCommandsOptions) {
    const auto r = testsupport::runCommand({KRELVAN_CLI_PATH, "--help-all"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    const size_t run = r.out.find("site run\n");
    ASSERT_NE(run, std::string::npos) << r.out;
    for (const char* option : {"--only-failed", "--jobs", "--no-backup", "--report"})
        EXPECT_NE(r.out.find(option, run), std::string::npos) << option;
    EXPECT_THAT(r.out, HasSubstr("site check\n"));
    EXPECT_THAT(r.out, HasSubstr("settings backup\n"));
}

// A row whose programs do not start: after the operating-system upgrade the old program is
// stopped rather than left half running, the new one goes back to that, the row fails saying
// so, and a rerun of the failed rows loads it once programs start.
TEST_F(SiteRunCli, ARowWhoseProgramDoesNotStartReturnsAndIsRedone) {
    temp.write("site.csv", plan(2));
    ASSERT_EQ(control("fault " + id(2) + " start_fails 1"), "ok");
    auto r = testsupport::runCommandWithInput(site({temp / "site.csv", "--password-stdin"}),
                                              std::string(kPassword) + "\n", 120);
    EXPECT_EQ(r.exitCode, 1) << r.out << r.err;
    const auto report = readJson(reportNamed(r.out));
    EXPECT_EQ(row(report, serial(1))["result"], "succeeded");
    const auto failed = row(report, serial(2));
    EXPECT_EQ(failed["result"], "failed");
    EXPECT_THAT(failed["messages"].dump(), HasSubstr("returned to the previous program"));
    EXPECT_THAT(failed["messages"].dump(),
                HasSubstr("The program of partition 16 did not start on the new operating system"));
    EXPECT_THAT(failed["messages"].dump(),
                HasSubstr("The new program did not start; the controller runs no program, as "
                          "before (partition 14)"));
    EXPECT_EQ(saved(2).activePartition, 14);
    EXPECT_EQ(saved(1).activePartition, 32);

    ASSERT_EQ(control("clear " + id(2)), "ok");
    r = testsupport::runCommandWithInput(
        site({temp / "site.csv", "--only-failed", "--report", temp / "again.json",
              "--password-stdin"}),
        std::string(kPassword) + "\n", 120);
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    const auto again = readJson(temp / "again.json");
    ASSERT_EQ(again["controllers"].size(), 1u);
    EXPECT_EQ(row(again, serial(2))["result"], "succeeded");
    EXPECT_EQ(saved(2).activePartition, 32);
}

// Ctrl-C with loads under way: nothing new starts, each controller runs its old program or
// the new one, and the report names every row.
TEST_F(SiteRunCli, StoppedWithCtrlCEachControllerOldOrNewAndTheReportComplete) {
    constexpr int kRows = 8;
    temp.write("site.csv", plan(kRows, kProgramOnly));
    // Loads of some 25 blocks at 250 ms each: the signal finds both running loads under way
    // however late a busy machine delivers it. No system upgrade: it would take the loads' time.
    for (int n = 1; n <= kRows; ++n)
        ASSERT_EQ(control("fault " + id(n) + " flash_write_ms 250"), "ok");
    const auto child =
        testsupport::spawn(site({temp / "site.csv", "--jobs", "2", "--no-backup"}), true);
    ASSERT_GT(child.pid, 0);
    std::string out = testsupport::readUntil(child.out, "\tload\t", std::chrono::seconds(60));
    ::kill(child.pid, SIGINT);
    out += testsupport::readUntil(child.out, "\x04", std::chrono::seconds(90));
    ::close(child.out);
    EXPECT_EQ(testsupport::waitExit(child.pid, std::chrono::seconds(30)), 1) << out;
    EXPECT_THAT(out, HasSubstr("Stopping"));

    const auto report = readJson(reportNamed(out));
    EXPECT_TRUE(report["interrupted"].get<bool>());
    ASSERT_EQ(report["controllers"].size(), static_cast<size_t>(kRows));
    int notStarted = 0;
    int cancelled = 0;
    for (int n = 1; n <= kRows; ++n) {
        SCOPED_TRACE(serial(n));
        const Saved s = saved(n);
        const auto entry = row(report, serial(n));
        const std::string result = entry["result"];
        if (result == "succeeded") {
            EXPECT_EQ(s.activePartition, 32);
        } else if (s.activePartition == 32) {
            // Cancelled after its commit: the new program whole.
            EXPECT_EQ(result, "cancelled");
            EXPECT_EQ(s.checksums.count(32), 1u);
        } else {
            EXPECT_EQ(s.activePartition, 16);
            EXPECT_EQ(s.checksums.count(32), 0u);
        }
        if (result == "cancelled") ++cancelled;
        if (result == "not started") {
            ++notStarted;
            EXPECT_EQ(entry["start"], "");
        }
    }
    EXPECT_GT(notStarted, 0);
    // The two running when the signal came were stopped, not finished.
    EXPECT_EQ(cancelled, 2) << report.dump(1);
}

// A controller that goes away for good in the middle of its load: its row fails and says so,
// the other rows are loaded all the same, and the controller keeps the program it ran.
TEST_F(SiteRunCli, AControllerGoneMidLoadFailsItsRowAloneAndKeepsItsProgram) {
    testsupport::TempFolder away;
    away.write("net.ini", "[Simulator]\nColdStartMs=0\n\n" +
                              simtest::kvxrealCController("Gone", "SITE-200", 1, "300"));
    away.write("state/.keep", "");
    auto gone = std::make_unique<simtest::SimProcess>(std::vector<std::string>{
        "--network", away / "net.ini", "--state", away / "state", "--control", away / "ctl"});
    ASSERT_TRUE(gone->waitReady()) << gone->stderrText();
    ASSERT_EQ(simtest::control(away / "ctl", "fault Gone flash_write_ms 250"), "ok");
    const std::string goneRow = "tcp:" + gone->tcp("Gone") + " 255:30";
    // Program loads alone: a system upgrade first would keep the slowed flash busy for long.
    temp.write("site.csv", plan(2, kProgramOnly) + ",tcp:" + gone->tcp("Gone") +
                               ",255:30,KVX300C KVXreal C controller," + kProgramOnly + ",32,,\n");

    const auto child = testsupport::spawn(site({temp / "site.csv", "--no-backup"}), true);
    ASSERT_GT(child.pid, 0);
    // Gone once its image is on the way: a percentage of its load has been printed.
    const std::string loading = "\n" + goneRow + "\tload\t";
    const auto underWay = [&](const std::string& text) {
        for (size_t at = text.find(loading); at != std::string::npos;
             at = text.find(loading, at + 1)) {
            if (std::isdigit(static_cast<unsigned char>(text[at + loading.size()]))) return true;
        }
        return false;
    };
    std::string out;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!underWay(out) && std::chrono::steady_clock::now() < until)
        out += testsupport::readUntil(child.out, "\n", std::chrono::seconds(1));
    ASSERT_TRUE(underWay(out)) << out;
    gone.reset();
    out += testsupport::readUntil(child.out, "\x04", std::chrono::seconds(120));
    ::close(child.out);
    EXPECT_EQ(testsupport::waitExit(child.pid, std::chrono::seconds(30)), 1) << out;

    const auto report = readJson(reportNamed(out));
    const auto lost = row(report, goneRow);
    EXPECT_EQ(lost["result"], "failed") << lost.dump(1);
    EXPECT_EQ(lost["line"], 4);
    EXPECT_THAT(lost["messages"].dump(), HasSubstr("could not be reached again"));
    EXPECT_THAT(out, HasSubstr("\n" + goneRow + "\tfailed"));
    const Saved g = simtest::readSavedController(away / "state/Gone.state");
    EXPECT_EQ(g.activePartition, 16);
    EXPECT_EQ(g.checksums.count(32), 0u);
    for (int n = 1; n <= 2; ++n) {
        SCOPED_TRACE(serial(n));
        EXPECT_EQ(row(report, serial(n))["result"], "succeeded");
        const Saved s = saved(n);
        EXPECT_EQ(s.activePartition, 32);
        ASSERT_EQ(s.checksums.count(32), 1u);
        EXPECT_EQ(row(report, serial(n))["imageChecksum"], hex(s.checksums.at(32)));
    }
}

// A station of the serial bus: KVXreal C with an old program in partition 16 and an empty
// partition 32, or an older controller.
std::string busStation(const std::string& id, const std::string& address, bool kvxrealC) {
    const std::string section = "[Controller " + id + "]\nBus=serial\nSerial=BUS-" + id +
                                "\nModel=" + (kvxrealC ? "300" : "200") + "\nAddress=" + address;
    if (!kvxrealC) return section + "\nKvxrealC=no\nOsVersion=2.6\n\n";
    std::string text = section +
                       "\nKvxrealC=yes\nFlashSize=8388608\nActivePartition=16\nOsVersion=KVXreal "
                       "C 3.1\n\n";
    for (const char* partition :
         {"16]\nName=Old\nType=2\nSize=4096", "32]\nName=UnnamedPartition\nType=2\nSize=0"})
        text += "[Partition " + id + " " + partition + "\nMaxSize=1048576\n\n";
    return text;
}

// The head at the end of the link (255:30) and three stations behind it, one KVXreal C and
// two older ones. The plan names the stations by their own addresses.
std::string busNetwork() {
    // A fast line: the test is about addresses, and the older stations take a system of some
    // hundreds of kilobytes each before their program.
    return "[Simulator]\nColdStartMs=0\nBaud=" + std::to_string(simtest::kFastBaud) + "\n\n" +
           busStation("Head", "10:9", true) + busStation("Pumps", "10:1", true) +
           busStation("Heating", "10:2", false) + busStation("Meter", "10:3", false);
}

// A settings file of the older controllers' package, its check made as the tool makes it.
std::string olderSettings(const std::string& applicationName) {
    const std::string body =
        "; Krelvan controller settings. Do not edit: the check below covers every line above "
        "it.\n[Settings]\nPackage=KVX200 Standard\nModule=Module1\nCount=1\n[Values]\n"
        "QSystem.ApplicationName=text:" +
        applicationName + "\n";
    char check[16];
    std::snprintf(check, sizeof check, "%08X",
                  static_cast<unsigned>(wire::crc32(
                      std::span(reinterpret_cast<const uint8_t*>(body.data()), body.size()))));
    return body + "[Check]\nCrc32=" + check + "\n";
}

class SiteBusCli : public SiteRunCli {
  protected:
    void SetUp() override {
        startSim(busNetwork());
        ASSERT_TRUE(simtest::setDemoBaud(temp, simtest::kFastBaud));
    }
};

// Each station is loaded at its own address, not the head; an older one gets its settings
// file after the program and a new address; one that stores a damaged image while saying all
// is well is caught by the checksum read back.
TEST_F(SiteBusCli, StationsLoadedAtTheirOwnAddressesTheHeadUntouched) {
    const std::string bus = "serial:" + sim->serial();
    temp.write("bus.settings", olderSettings("Circuit 2 pumps"));
    temp.write("site.csv", "link,address,model,revision,partition,new-address,settings\n" + bus +
                               ",10:1,KVX300C KVXreal C controller,3.0-1-05,32,,\n" + bus +
                               ",10:2,KVX200 heating controller,2.5-0-03,,10:4,bus.settings\n" +
                               bus + ",10:3,KVX200 heating controller,2.5-0-03,,,\n");
    ASSERT_EQ(control("fault Meter corrupt_silently 1"), "ok");
    const Saved headBefore = saved("Head");
    const auto r = testsupport::runCommand(site({temp / "site.csv"}), 120);
    EXPECT_EQ(r.exitCode, 1) << r.out << r.err;
    const auto report = readJson(reportNamed(r.out));
    ASSERT_EQ(report["controllers"].size(), 3u);
    const auto& pumps = report["controllers"][0];
    const auto& heating = report["controllers"][1];
    const auto& meter = report["controllers"][2];

    EXPECT_EQ(pumps["result"], "succeeded") << pumps.dump(1);
    const Saved p = saved("Pumps");
    EXPECT_EQ(p.activePartition, 32);
    ASSERT_EQ(p.checksums.count(32), 1u);
    EXPECT_EQ(pumps["imageChecksum"], hex(p.checksums.at(32)));
    EXPECT_EQ(pumps["addressBefore"], "10:1");
    EXPECT_TRUE(std::filesystem::is_regular_file(pumps["backupFile"].get<std::string>()));

    // The older station: the program's checksum from its image file's long integer, then the
    // new address, then the settings file over what the job wrote.
    EXPECT_EQ(heating["result"], "succeeded") << heating.dump(1);
    const Saved h = saved("Heating");
    ASSERT_NE(h.applicationChecksum, -1);
    EXPECT_EQ(heating["imageChecksum"], hex(h.applicationChecksum));
    // Its operating system upgraded to the revision's, at its own address too.
    EXPECT_EQ(heating["osBefore"], "2.6-0-0");
    EXPECT_EQ(h.osRevision, "02.06.00.0001");
    EXPECT_EQ(heating["osAfter"], "2.6-0-1");
    EXPECT_EQ(h.address, "10:4");
    EXPECT_EQ(heating["addressAfter"], "10:4");
    EXPECT_EQ(h.applicationName, "Circuit 2 pumps");
    EXPECT_THAT(heating["backupFile"].get<std::string>(), HasSubstr("/backups/station-10-2/"));

    // Loaded with the same program, but it keeps another checksum than the image has.
    EXPECT_EQ(meter["result"], "failed");
    const Saved m = saved("Meter");
    ASSERT_NE(m.applicationChecksum, -1);
    EXPECT_NE(m.applicationChecksum, h.applicationChecksum);
    EXPECT_THAT(meter["messages"].dump(),
                HasSubstr("the controller holds checksum " + hex(m.applicationChecksum) +
                          ", the image has " + heating["imageChecksum"].get<std::string>()));
    EXPECT_EQ(meter["imageChecksum"], "");

    // The head at the end of the link was never loaded.
    const Saved head = saved("Head");
    EXPECT_EQ(head.activePartition, headBefore.activePartition);
    EXPECT_EQ(head.checksums, headBefore.checksums);
    EXPECT_EQ(head.address, headBefore.address);
}

}  // namespace
