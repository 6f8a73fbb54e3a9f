#include "operations/BackupName.h"

#include <cstdio>
#include <ctime>
#include <tuple>

namespace operations {
namespace {

constexpr std::size_t kStampLength = 20;  // 2026-12-09T08-15-02Z

bool digits(const std::string& text, std::size_t from, std::size_t count) {
    if (from + count > text.size() || count == 0) return false;
    for (std::size_t i = from; i < from + count; ++i)
        if (text[i] < '0' || text[i] > '9') return false;
    return true;
}

// The stamp and the number of a backup name; nothing for any other name.
std::optional<std::pair<std::string, long>> parts(const std::string& name,
                                                  const std::string& extension) {
    if (name.size() < kStampLength + extension.size() ||
        name.compare(name.size() - extension.size(), extension.size(), extension) != 0)
        return std::nullopt;
    const std::string stamp = name.substr(0, kStampLength);
    const char* shape = "dddd-dd-ddTdd-dd-ddZ";
    for (std::size_t i = 0; i < kStampLength; ++i) {
        if (shape[i] == 'd' ? !digits(stamp, i, 1) : stamp[i] != shape[i]) return std::nullopt;
    }
    const std::string rest =
        name.substr(kStampLength, name.size() - kStampLength - extension.size());
    if (rest.empty()) return std::make_pair(stamp, 1L);
    // "_2".."_999": a number that could be mistaken for another is no backup name.
    if (rest[0] != '_' || rest.size() > 4 || rest[1] == '0' || !digits(rest, 1, rest.size() - 1))
        return std::nullopt;
    return std::make_pair(stamp, std::stol(rest.substr(1)));
}

}  // namespace

std::string backupStamp(std::chrono::system_clock::time_point time) {
    const std::time_t t = std::chrono::system_clock::to_time_t(time);
    std::tm utc{};
    gmtime_r(&t, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H-%M-%SZ", &utc);
    return text;
}

std::string numberedStamp(const std::string& stamp, int n) {
    return stamp + (n > 1 ? "_" + std::to_string(n) : "");
}

std::string backupFileName(const std::string& stamp, int n, const std::string& extension) {
    return numberedStamp(stamp, n) + extension;
}

std::optional<std::string> newestBackupName(const std::vector<std::string>& names,
                                            const std::string& extension) {
    std::optional<std::string> newest;
    std::pair<std::string, long> newestParts;
    for (const std::string& name : names) {
        const auto p = parts(name, extension);
        if (p && (!newest || *p > newestParts)) {
            newest = name;
            newestParts = *p;
        }
    }
    return newest;
}

}  // namespace operations
