#include "sim/SimProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace simtest {
namespace {

using Clock = std::chrono::steady_clock;

}  // namespace

SimProcess::SimProcess(std::vector<std::string> arguments) {
    int outPipe[2], errPipe[2];
    if (::pipe2(outPipe, O_CLOEXEC) != 0 || ::pipe2(errPipe, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
    std::vector<std::string> all{KVXSIM_PATH};
    all.insert(all.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    const int rc = ::posix_spawn(&pid_, KVXSIM_PATH, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    out_ = outPipe[0];
    err_ = errPipe[0];
    if (rc != 0) {
        pid_ = -1;
        throw std::runtime_error("cannot start kvxsim");
    }
}

SimProcess::~SimProcess() {
    kill();
    if (out_ >= 0) ::close(out_);
    if (err_ >= 0) ::close(err_);
}

bool SimProcess::waitReady(std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        std::size_t nl;
        while ((nl = outBuffer_.find('\n')) != std::string::npos) {
            const std::string line = outBuffer_.substr(0, nl);
            outBuffer_.erase(0, nl + 1);
            std::istringstream words(line);
            std::string kind, a, b;
            words >> kind >> a >> b;
            if (kind == "ready") return true;
            if (kind == "tcp") tcp_[a] = b;
            if (kind == "http") http_[a] = b;
            if (kind == "serial") serial_ = a;
            if (kind == "udp") udp_ = a;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) return false;
        pollfd p{out_, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
        char buffer[512];
        const ssize_t n = ::read(out_, buffer, sizeof buffer);
        if (n <= 0) return false;  // exited before ready
        outBuffer_.append(buffer, static_cast<std::size_t>(n));
    }
}

int SimProcess::waitExit(std::chrono::milliseconds timeout) {
    if (pid_ < 0) return -1;
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        int status = 0;
        const pid_t r = ::waitpid(pid_, &status, WNOHANG);
        if (r == pid_) {
            pid_ = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        if (Clock::now() >= deadline) return -1;
        // Bounded polling of the child's end: stdout's end arrives first, so block there.
        pollfd p{out_, POLLIN, 0};
        ::poll(&p, 1, 10);
        if (p.revents & (POLLIN | POLLHUP)) {
            char buffer[512];
            if (::read(out_, buffer, sizeof buffer) > 0) continue;
        }
    }
}

void SimProcess::kill() {
    if (pid_ < 0) return;
    ::kill(pid_, SIGTERM);
    if (waitExit(std::chrono::seconds(5)) == -1 && pid_ >= 0) {
        ::kill(pid_, SIGKILL);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
    }
}

Endpoint splitHostPort(const std::string& hostPort) {
    const auto colon = hostPort.rfind(':');
    if (colon == std::string::npos) return {hostPort, 0};
    return {hostPort.substr(0, colon),
            static_cast<uint16_t>(std::strtoul(hostPort.c_str() + colon + 1, nullptr, 10))};
}

std::string SimProcess::tcp(const std::string& id) const {
    auto it = tcp_.find(id);
    return it == tcp_.end() ? "" : it->second;
}

std::string SimProcess::http(const std::string& id) const {
    auto it = http_.find(id);
    return it == http_.end() ? "" : it->second;
}

const std::string& SimProcess::stderrText() {
    const int flags = ::fcntl(err_, F_GETFL);
    ::fcntl(err_, F_SETFL, flags | O_NONBLOCK);
    char buffer[1024];
    ssize_t n;
    while ((n = ::read(err_, buffer, sizeof buffer)) > 0)
        errText_.append(buffer, static_cast<std::size_t>(n));
    return errText_;
}

}  // namespace simtest
