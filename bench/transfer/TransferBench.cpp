// Image load throughput through the transfer engine against kvxsim, as a share of what the
// line can carry: serial at 115,200 and 921,600 baud with 16 ms of adapter latency, and TCP
// at 100 Mbit/s with 5 ms and 50 ms of round trip. Each ratio is printed beside the same
// engine held to one block in flight (stop and wait) and its target, with PASS or FAIL; then
// compressed loads, named for what they load (compiled code: kvxsim's own text; bytes that do
// not compress), beside the engine with plain blocks, with the compression ratio reached and
// the most memory the controller's decompression held. The exit status is 1 when a target is
// missed.
#include <elf.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstring>
#include <random>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <span>
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

struct Measured {
    double share = 0;  // of the line's ceiling, in image bytes
    double ratio = 0;  // image bytes over block data on the line
    uint32_t compressedBlocks = 0;
    std::string inflatePeak = "?";  // as kvxsim's control answers it
};

// A figure of kvxsim's `transfers` answer, as text.
std::string figure(const std::string& answer, const std::string& name) {
    const auto at = answer.find(" " + name + " ");
    if (at == std::string::npos) return "?";
    const auto from = at + name.size() + 2;
    return answer.substr(from, answer.find(' ', from) - from);
}

Measured measure(const Case& c, const fs::path& folder, std::span<const uint8_t> image,
                 transfer::Compression compression, bool stopAndWait) {
    std::ofstream(folder / "net.ini") << network(c);
    simtest::SimProcess sim({"--network", (folder / "net.ini").string(), "--control",
                             (folder / "ctl").string()});
    if (!sim.waitReady()) {
        std::fprintf(stderr, "kvxsim did not start: %s\n", sim.stderrText().c_str());
        return {};
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
    transfer::Job job;
    job.partition = 17;
    job.name = "Bench";
    job.image = image;
    job.compression = compression;
    transfer::Tuning tuning;
    if (stopAndWait) tuning.minWindowBytes = tuning.maxWindowBytes = 1;
    transfer::TransferEngine engine(links, tuning);
    const auto result = engine.run(job, {});
    const double seconds = std::chrono::duration<double>(result.elapsed).count();
    if (result.ending != transfer::Ending::Completed) {
        std::fprintf(stderr, "%s: load %s: %s\n", c.what, transfer::endingName(result.ending),
                     result.message.c_str());
        return {};
    }
    const double ceiling = c.serial ? c.rate / 10.0 : c.rate / 8.0;  // bytes per second
    Measured m;
    m.share = (double(image.size()) / seconds) / ceiling;
    m.ratio = double(image.size()) / double(result.bytesSent);
    m.compressedBlocks = result.compressedBlocks;
    m.inflatePeak = figure(simtest::control((folder / "ctl").string(),
                                            std::string("transfers ") + (c.serial ? "Head" : "Gate")),
                           "inflate_peak");
    return m;
}

// The pattern the windowing rows load (they measure the window, not compression).
std::vector<uint8_t> windowPattern(std::size_t size) {
    std::vector<uint8_t> image(size);
    for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i * 131 + 7);
    return image;
}

// Compiled code: the text and read-only data of kvxsim, repeated up to `size` bytes.
std::vector<uint8_t> compiledCode(std::size_t size) {
    std::ifstream in(KVXSIM_PATH, std::ios::binary);
    const std::vector<char> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<uint8_t> code;
    Elf64_Ehdr head{};
    if (file.size() >= sizeof head) std::memcpy(&head, file.data(), sizeof head);
    const bool elf = std::memcmp(head.e_ident, ELFMAG, SELFMAG) == 0 &&
                     head.e_ident[EI_CLASS] == ELFCLASS64 && head.e_shstrndx < head.e_shnum &&
                     head.e_shoff + uint64_t(head.e_shnum) * sizeof(Elf64_Shdr) <= file.size();
    auto section = [&](uint16_t i) {
        Elf64_Shdr h{};
        std::memcpy(&h, file.data() + head.e_shoff + i * sizeof h, sizeof h);
        return h;
    };
    for (uint16_t i = 0; elf && i < head.e_shnum; ++i) {
        const Elf64_Shdr h = section(i);
        const Elf64_Shdr names = section(head.e_shstrndx);
        if (names.sh_offset + h.sh_name >= file.size() || h.sh_offset + h.sh_size > file.size())
            continue;
        const char* name = file.data() + names.sh_offset + h.sh_name;
        if (std::strcmp(name, ".text") == 0 || std::strcmp(name, ".rodata") == 0)
            code.insert(code.end(), file.begin() + long(h.sh_offset),
                        file.begin() + long(h.sh_offset + h.sh_size));
    }
    if (code.empty()) code.assign(file.begin(), file.end());
    std::vector<uint8_t> image;
    image.reserve(size);
    while (!code.empty() && image.size() < size)
        image.insert(image.end(), code.begin(),
                     code.begin() + long(std::min(code.size(), size - image.size())));
    return image;
}

std::vector<uint8_t> noise(std::size_t size) {
    std::mt19937 random(29);
    std::vector<uint8_t> image(size);
    for (auto& b : image) b = static_cast<uint8_t>(random());
    return image;
}

// A compressed load beside the plain one: the target is a share of the ceiling, or, where
// `againstPlain`, no less than plain less the measurement's noise.
struct Compared {
    Case line;
    std::vector<uint8_t> image;
    double target;
    bool againstPlain;
};

// A row held against plain takes the median of this many runs of each, alternately, and allows
// what plain's own runs differed by in this run (at least this much): on a 50 ms path two plain
// loads in a row differ by more than a hundredth.
constexpr double kNoise = 0.01;
constexpr int kRunsAgainstPlain = 5;

}  // namespace

int main() {
    char pattern[] = "/tmp/krelvan-bench-XXXXXX";
    const char* made = ::mkdtemp(pattern);
    if (made == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const fs::path folder(made);
    using transfer::Compression;
    const std::vector<Case> cases = {
        {"serial 115200 baud, 16 ms adapter latency", true, 115'200, 16, 40'000, 40'000, 0.95},
        {"serial 921600 baud, 16 ms adapter latency", true, 921'600, 16, 256'000, 256'000, 0.95},
        {"TCP 100 Mbit/s, 5 ms round trip", false, kTcpBitsPerSecond, 5, 16'000'000, 2'000'000, 0.90},
        {"TCP 100 Mbit/s, 50 ms round trip", false, kTcpBitsPerSecond, 50, 24'000'000, 600'000, 0.85},
    };
    std::printf("%-44s %s\n", "share of the line's ceiling", "windowed  stop-and-wait  target");
    int status = 0;
    for (const Case& c : cases) {
        const double ratio = measure(c, folder, windowPattern(c.imageBytes), Compression::Off, false).share;
        const double single =
            measure(c, folder, windowPattern(c.stopAndWaitBytes), Compression::Off, true).share;
        const bool met = ratio >= c.target;
        std::printf("%-44s %.3f  %.3f  %.2f  %s\n", c.what, ratio, single, c.target,
                    met ? "PASS" : "FAIL");
        std::fflush(stdout);
        if (!met) status = 1;
    }

    const std::vector<Compared> compared = {
        {{"compiled code, serial 115200 baud", true, 115'200, 16, 0, 0, 0}, compiledCode(256'000),
         1.5, false},
        {{"compiled code, serial 921600 baud", true, 921'600, 16, 0, 0, 0}, compiledCode(720'000),
         1.5, false},
        {{"incompressible bytes, serial 115200 baud", true, 115'200, 16, 0, 0, 0}, noise(160'000),
         0.97, false},
        {{"compiled code, TCP 100 Mbit/s, 5 ms", false, kTcpBitsPerSecond, 5, 0, 0, 0},
         compiledCode(16'000'000), 0, true},
        {{"compiled code, TCP 100 Mbit/s, 50 ms", false, kTcpBitsPerSecond, 50, 0, 0, 0},
         compiledCode(24'000'000), 0, true},
    };
    std::printf("\n%-42s %s\n", "compressed against plain, share of ceiling",
                "compressed  plain  ratio  deflate-blocks  inflate-peak  target");
    for (const Compared& c : compared) {
        std::vector<Measured> ons, offs;
        for (int run = 0; run < (c.againstPlain ? kRunsAgainstPlain : 1); ++run) {
            ons.push_back(measure(c.line, folder, c.image, Compression::Auto, false));
            offs.push_back(measure(c.line, folder, c.image, Compression::Off, false));
        }
        auto median = [](std::vector<Measured>& runs) {
            std::sort(runs.begin(), runs.end(),
                      [](const Measured& a, const Measured& b) { return a.share < b.share; });
            return runs[runs.size() / 2];
        };
        const Measured on = median(ons);
        const Measured off = median(offs);
        // offs is sorted by now: its spread is plain's own noise in this run.
        const double noise = std::max(kNoise, offs.back().share - offs.front().share);
        const double target = c.againstPlain ? off.share - noise : c.target;
        const bool met = on.share > 0 && on.share >= target;
        std::printf("%-42s %.3f  %.3f  %.2f  %u  %s  %s%.2f  %s\n", c.line.what, on.share,
                    off.share, on.ratio, on.compressedBlocks, on.inflatePeak.c_str(),
                    c.againstPlain ? "plain-" : ">=", c.againstPlain ? noise : target,
                    met ? "PASS" : "FAIL");
        std::fflush(stdout);
        if (!met) status = 1;
    }
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    return status;
}
