// restore-image end to end against kvxsim: a kept application goes back into an older
// controller only once the question was answered OK, and afterwards the controller reports it
// running with the kept bytes' checksum.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>

#include "platform/wire/Crc32.h"
#include "sim/DemoMachine.h"
#include "sim/SimProcess.h"
#include "support/RunCommand.h"
#include "support/TempFolder.h"

using ::testing::HasSubstr;
using testsupport::runCommand;

namespace {

const char* kNetwork = R"([Simulator]
Discovery=0.0.0.0:0

[Controller Old]
Serial=SN-210
Model=210
Address=4:1
Listen=127.0.0.87:0
)";

class RestoreImageCli : public ::testing::Test {
  protected:
    RestoreImageCli() : machine(temp.copyDemo()) {}

    void SetUp() override {
        temp.write("net.ini", kNetwork);
        sim = std::make_unique<simtest::SimProcess>(
            std::vector<std::string>{"--network", temp / "net.ini", "--state", temp / "state"});
        ASSERT_TRUE(sim->waitReady()) << sim->stderrText();
        ASSERT_TRUE(simtest::pointDemoDiscoveryAt(temp, *sim));
    }
    testsupport::CommandResult run(std::vector<std::string> args) {
        args.insert(args.begin(), {KRELVAN_CLI_PATH});
        args.insert(args.begin() + 2, {"--machine", machine});
        return runCommand(args, 60);
    }
    std::string old() const { return "tcp:" + sim->tcp("Old"); }
    // The checksum the controller reports for its application (file 900 index 0).
    uint32_t reported() {
        const auto r = run({"read", "--link", old(), "--addr", "255:30", "--file", "900",
                            "--index", "0", "--type", "long"});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        std::string out = r.out;
        while (!out.empty() && out.back() == '\n') out.pop_back();
        return static_cast<uint32_t>(std::stoll(out.substr(out.rfind('\t') + 1)));
    }
    // Whether kvxsim saved the application as present and running.
    bool running() {
        std::ifstream in(temp / "state/Old.state");
        std::stringstream text;
        text << in.rdbuf();
        return text.str().find("application 1 1\n") != std::string::npos;
    }
    std::vector<std::string> keptFiles() {
        std::vector<std::string> files;
        std::error_code ec;
        for (const auto& e : std::filesystem::directory_iterator(
                 std::filesystem::path(machine) / "backups/SN-210", ec))
            if (e.path().extension() == ".image") files.push_back(e.path().string());
        return files;
    }
    // A kept application of `size` bytes under `name` in the controller's backup folder.
    std::string keep(const std::string& name, std::size_t size, uint8_t seed, uint32_t& crc) {
        std::string bytes(size, '\0');
        for (std::size_t i = 0; i < size; ++i) bytes[i] = char(i * 31 + seed);
        const std::string path = "backups/SN-210/" + name;
        std::filesystem::create_directories(std::filesystem::path(machine) / "backups/SN-210");
        std::ofstream(std::filesystem::path(machine) / path, std::ios::binary) << bytes;
        crc = wire::crc32(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
        return (std::filesystem::path(machine) / path).string();
    }

    testsupport::TempFolder temp;
    std::string machine;
    std::unique_ptr<simtest::SimProcess> sim;
};

TEST_F(RestoreImageCli, PutsTheNewestOrTheNamedKeptApplicationBackOnlyWhenConfirmed) {
    uint32_t older = 0, newer = 0;
    const std::string olderFile = keep("2026-12-09T08-15-02Z.image", 9000, 1, older);
    keep("2026-12-09T08-15-02Z_2.image", 5000, 2, newer);
    const uint32_t first = reported();

    // Not confirmed: nothing changes.
    auto r = run({"restore-image", "--link", old(), "--serial", "SN-210"});
    EXPECT_EQ(r.exitCode, 1) << r.out << r.err;
    EXPECT_THAT(r.err, HasSubstr("nothing was changed"));
    EXPECT_EQ(reported(), first);

    struct Row {
        std::vector<std::string> choice;
        uint32_t expected;
    };
    const Row rows[] = {{{"--serial", "SN-210"}, newer}, {{"--file", olderFile}, older}};
    for (const Row& row : rows) {
        std::vector<std::string> args = {"restore-image", "--link", old(), "--yes"};
        args.insert(args.end(), row.choice.begin(), row.choice.end());
        r = run(args);
        EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
        EXPECT_THAT(r.out, HasSubstr("the application runs"));
        EXPECT_EQ(reported(), row.expected);
        EXPECT_TRUE(running());
    }

    // Without a serial number or a file there is nothing to choose from.
    r = run({"restore-image", "--link", old(), "--yes"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(r.err, HasSubstr("name the kept application with --file"));
}

// 412160 -> "412,160", as the end of a load counts bytes.
std::string grouped(std::size_t n) {
    std::string digits = std::to_string(n);
    for (auto at = static_cast<std::ptrdiff_t>(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(static_cast<std::size_t>(at), ",");
    return digits;
}

// A load found by serial number keeps what ran, byte for byte, and restore-image by serial
// number puts exactly that back.
TEST_F(RestoreImageCli, ALoadKeepsWhatRanAndRestoreImagePutsItBack) {
    const uint32_t ran = reported();
    auto r = run({"load", "--model", "2", "--program", "1", "--serial", "SN-210", "--yes",
                  "--no-backup"});
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    const uint32_t loaded = reported();
    EXPECT_NE(loaded, ran);
    const auto files = keptFiles();
    ASSERT_EQ(files.size(), 1u) << r.out << r.err;
    std::ifstream in(files[0], std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(wire::crc32(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size())),
              ran);

    r = run({"restore-image", "--serial", "SN-210", "--yes"});
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    // The end says what went back: the kept bytes, all of them.
    EXPECT_THAT(r.err, HasSubstr("Loaded " + grouped(bytes.size()) + " bytes"));
    EXPECT_EQ(reported(), ran);
    EXPECT_TRUE(running());
}

}  // namespace
