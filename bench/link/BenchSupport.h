#pragma once
// What the link benchmarks share: kvxsim as a child process (started on a network file, its
// listener lines read with a time-out, stopped with the object) and message boxes that stay
// silent.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/kvxglib/Library.h"
#include "platform/ui/MessageBoxes.h"

extern char** environ;

namespace bench {

// A fresh folder under /tmp for one run, removed with everything in it.
class WorkFolder {
  public:
    WorkFolder() {
        char pattern[] = "/tmp/krelvan-bench-XXXXXX";
        if (::mkdtemp(pattern) != nullptr) path_ = pattern;
    }
    ~WorkFolder() {
        std::error_code ec;
        if (ok()) std::filesystem::remove_all(path_, ec);
    }
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;

    bool ok() const { return !path_.empty(); }
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

class SilentBoxes final : public ui::MessageBoxes {
  public:
    void showMessage(const std::string&, ui::MessageKind) override {}
    int32_t ask(const std::string&, const std::string&, int32_t) override { return 1; }
};

class Simulator {
  public:
    Simulator(const std::string& exe, const std::string& network) {
        int out[2];
        if (::pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        std::vector<std::string> args{exe, "--network", network};
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        const int rc = ::posix_spawn(&pid_, exe.c_str(), &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        if (rc != 0) throw std::runtime_error("cannot start " + exe);
        std::string buffer;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        for (;;) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            pollfd p{out[0], POLLIN, 0};
            if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
            char chunk[512];
            const ssize_t n = ::read(out[0], chunk, sizeof chunk);
            if (n <= 0) break;
            buffer.append(chunk, static_cast<std::size_t>(n));
            std::size_t end;
            while ((end = buffer.find('\n')) != std::string::npos) {
                const std::string line = buffer.substr(0, end);
                buffer.erase(0, end + 1);
                if (line == "ready") {
                    ::close(out[0]);
                    return;
                }
                if (line.rfind("tcp ", 0) == 0) {
                    const auto space = line.find(' ', 4);
                    tcp_[line.substr(4, space - 4)] = line.substr(space + 1);
                } else if (line.rfind("serial ", 0) == 0) {
                    serial_ = line.substr(7);
                }
            }
        }
        ::close(out[0]);
        throw std::runtime_error("kvxsim did not get ready");
    }
    ~Simulator() {
        ::kill(pid_, SIGTERM);
        int status = 0;
        ::waitpid(pid_, &status, 0);
    }
    std::string tcp(const std::string& id) const { return tcp_.at(id); }
    const std::string& serial() const { return serial_; }

  private:
    pid_t pid_ = -1;
    std::map<std::string, std::string> tcp_;
    std::string serial_;
};

// One #845 read of the PLA at pla:ela, as the program reads it.
inline bool readPla(kvxglib::Library& lib, int32_t link, int16_t pla, int16_t ela) {
    kvxglib::VarRef ref;
    ref.pla = pla;
    ref.ela = ela;
    ref.kind = 1;
    ref.type = 2;
    ref.file = 241;
    ref.index = 0;
    int16_t value = 0;
    kvxglib::Variant v;
    v.type = kvxglib::vt::ByRef | kvxglib::vt::I2;
    v.data = &value;
    int32_t status = 0;
    const int32_t flags = static_cast<int32_t>(0x80000000u);
    return (lib.ReadVariable(link, &ref, &v, 1, 0, flags, &status, u"") & 0xFFFF) != 0;
}

// How many exchanges ran, how many failed, in how long.
struct Rate {
    int done = 0;
    int failed = 0;
    double seconds = 0;
    double perSecond() const { return seconds > 0 ? done / seconds : 0; }
    Rate& operator+=(const Rate& other) {
        done += other.done;
        failed += other.failed;
        seconds += other.seconds;
        return *this;
    }
};

// Runs `exchange` for about `duration` (at least `minimum` times).
template <class F>
Rate measure(F exchange, std::chrono::milliseconds duration, int minimum) {
    using Clock = std::chrono::steady_clock;
    Rate rate;
    const auto start = Clock::now();
    while (rate.done < minimum || Clock::now() - start < duration) {
        if (!exchange()) ++rate.failed;
        ++rate.done;
    }
    rate.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return rate;
}

}  // namespace bench
