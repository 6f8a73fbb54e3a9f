#include "platform/kvxglib/ProofTimes.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>

#include "platform/kvxglib/AtomicFile.h"

namespace kvxglib {
namespace {

// The line that stands for every controller: the file was found damaged at its times.
constexpr const char* kDamaged = "*";

int64_t millis(comm::ProofBudget::Clock::time_point t) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(t.time_since_epoch()).count();
}

bool usableName(const std::string& controller) {
    return !controller.empty() && controller != kDamaged &&
           controller.find_first_of("\t\r\n") == std::string::npos;
}

// Held from construction to destruction; ok() false when the lock could not be had.
class FileLock {
  public:
    explicit FileLock(const std::string& path)
        : fd_(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644)) {
        if (fd_ < 0) return;
        int result = 0;
        do result = ::flock(fd_, LOCK_EX);
        while (result != 0 && errno == EINTR);
        if (result != 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }
    ~FileLock() {
        if (fd_ >= 0) ::close(fd_);  // releases the lock
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    bool ok() const { return fd_ >= 0; }

  private:
    int fd_;
};

// The file's text; false when it exists but cannot be read.
bool readText(const std::string& path, std::string& text) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            ::close(fd);
            return false;
        }
        if (n == 0) break;
        text.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    return true;
}

// False when any line is not a name, a tab and times; the readable lines are kept.
bool parse(const std::string& text, std::map<std::string, std::vector<int64_t>>& times) {
    bool whole = text.empty() || text.back() == '\n';
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        const size_t tab = line.find('\t');
        std::vector<int64_t> parsed;
        bool good = tab != std::string::npos && tab > 0 && tab + 1 < line.size();
        for (size_t at = tab + 1; good && at <= line.size();) {
            size_t space = line.find(' ', at);
            if (space == std::string::npos) space = line.size();
            int64_t t = 0;
            const auto [ptr, ec] = std::from_chars(line.data() + at, line.data() + space, t);
            good = ec == std::errc() && ptr == line.data() + space && space > at;
            parsed.push_back(t);
            at = space + 1;
        }
        if (!good) {
            whole = false;
            continue;
        }
        auto& kept = times[line.substr(0, tab)];
        kept.insert(kept.end(), parsed.begin(), parsed.end());
    }
    return whole;
}

std::string format(const std::map<std::string, std::vector<int64_t>>& times) {
    std::string text;
    for (const auto& [controller, list] : times) {
        if (list.empty()) continue;
        text += controller + '\t';
        for (size_t i = 0; i < list.size(); ++i)
            text += (i == 0 ? "" : " ") + std::to_string(list[i]);
        text += '\n';
    }
    return text;
}

}  // namespace

ProofTimes::ProofTimes(std::string machineDir, std::function<Clock::time_point()> now)
    : path_(machineDir + "/ProofTimes.txt"),
      lockPath_(machineDir + "/ProofTimes.lock"),
      now_(std::move(now)) {}

bool ProofTimes::update(const std::function<bool(Times&, int64_t now)>& change) const {
    const FileLock lock(lockPath_);
    if (!lock.ok()) return false;
    const int64_t now = millis(now_());
    const int64_t window = std::chrono::milliseconds(kWindow).count();
    std::string text;
    Times times;
    const bool damaged = !readText(path_, text) || !parse(text, times);
    bool write = damaged;
    if (damaged) times[kDamaged].push_back(now);
    for (auto& [controller, list] : times) {
        // A time further ahead than a window is a clock that was set back, not a proof.
        const auto stale = [&](int64_t t) { return t <= now - window || t > now + window; };
        const size_t before = list.size();
        list.erase(std::remove_if(list.begin(), list.end(), stale), list.end());
        write = write || list.size() != before;
    }
    write = change(times, now) || write;
    return !write || writeFileAtomically(path_, format(times));
}

std::optional<comm::ProofBudget::Clock::time_point> ProofTimes::take(
    const std::string& controller) {
    if (!usableName(controller)) return std::nullopt;
    std::optional<int64_t> taken;
    const bool kept = update([&](Times& times, int64_t now) {
        const size_t spent = times[controller].size() + (times[kDamaged].empty() ? 0 : kMaxProofs);
        if (spent >= kMaxProofs) return false;
        times[controller].push_back(now);
        taken = now;
        return true;
    });
    if (!kept || !taken) return std::nullopt;
    return Clock::time_point(std::chrono::milliseconds(*taken));
}

void ProofTimes::verified(const std::string& controller, Clock::time_point when) {
    if (!usableName(controller)) return;
    update([&](Times& times, int64_t) {
        auto& list = times[controller];
        const auto it = std::find(list.begin(), list.end(), millis(when));
        if (it == list.end()) return false;
        list.erase(it);
        return true;
    });
}

std::size_t ProofTimes::counted(const std::string& controller) const {
    std::size_t count = kMaxProofs;
    update([&](Times& times, int64_t) {
        count = times[controller].size() + (times[kDamaged].empty() ? 0 : kMaxProofs);
        return false;
    });
    return count;
}

}  // namespace kvxglib
