#include "platform/kvxglib/LinkRegistry.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "platform/kvxglib/AtomicFile.h"

namespace fs = std::filesystem;

namespace kvxglib {
namespace {

std::string entryName(long owner, int32_t handle) {
    return std::to_string(owner) + "-" + std::to_string(handle);
}

bool alive(long pid) { return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM); }

struct Entry {
    long owner = 0;
    int32_t handle = 0;
    fs::path path;
};

std::optional<Entry> parseEntryName(const fs::path& path) {
    const std::string name = path.filename().string();
    const size_t dash = name.find('-');
    if (dash == std::string::npos) return std::nullopt;
    Entry e;
    e.path = path;
    const char* end = name.data() + name.size();
    if (std::from_chars(name.data(), name.data() + dash, e.owner).ptr != name.data() + dash ||
        std::from_chars(name.data() + dash + 1, end, e.handle).ptr != end) {
        return std::nullopt;
    }
    return e;
}

std::optional<RegisteredLink> readEntry(const fs::path& path) {
    std::ifstream in(path);
    if (!in) return std::nullopt;
    RegisteredLink link;
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("Link=", 0) == 0) link.name = line.substr(5);
        if (line.rfind("Baud=", 0) == 0) {
            std::from_chars(line.data() + 5, line.data() + line.size(), link.baud);
        }
        if (line == "Encrypted=1") link.encrypted = true;
        if (line.rfind("Serial=", 0) == 0) link.serial = line.substr(7);
    }
    if (link.name.empty()) return std::nullopt;
    return link;
}

}  // namespace

LinkRegistry::LinkRegistry(std::string machineDir, long owner)
    : machineDir_(std::move(machineDir)), owner_(owner != 0 ? owner : ::getpid()) {}

LinkRegistry::~LinkRegistry() {
    for (const int32_t handle : std::set<int32_t>(handles_)) remove(handle);
}

std::string LinkRegistry::folder(const std::string& machineDir) { return machineDir + "/links"; }

bool LinkRegistry::add(int32_t handle, const RegisteredLink& link, std::string* why) {
    std::error_code ec;
    if (!fs::is_directory(machineDir_, ec)) {
        if (why != nullptr) *why = "the machine folder " + machineDir_ + " does not exist";
        return false;
    }
    const std::string dir = folder(machineDir_);
    fs::create_directories(dir, ec);
    std::ostringstream content;
    content << "Link=" << link.name << "\nBaud=" << link.baud << '\n';
    if (link.encrypted) content << "Encrypted=1\n";
    // A serial number is a controller's word: one that would break the line is not written.
    if (!link.serial.empty() && link.serial.find_first_of("\r\n") == std::string::npos)
        content << "Serial=" << link.serial << '\n';
    if (ec || !writeFileAtomically(dir + "/" + entryName(owner_, handle), content.str())) {
        if (why != nullptr) *why = "cannot write into " + dir;
        return false;
    }
    handles_.insert(handle);
    return true;
}

void LinkRegistry::remove(int32_t handle) {
    if (handles_.erase(handle) == 0) return;
    std::error_code ec;
    fs::remove(folder(machineDir_) + "/" + entryName(owner_, handle), ec);
}

std::optional<RegisteredLink> LinkRegistry::find(const std::string& machineDir, int32_t handle,
                                                 long owner, std::string& why) {
    const std::string dir = folder(machineDir);
    std::vector<Entry> live;
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::optional<Entry> e = parseEntryName(it->path());
        if (!e) continue;
        if (!alive(e->owner)) {
            std::error_code ignored;
            fs::remove(e->path, ignored);
            continue;
        }
        if (e->handle == handle) live.push_back(*e);
    }
    const Entry* chosen = nullptr;
    for (const Entry& e : live) {
        if (e.owner == owner) chosen = &e;
    }
    if (chosen == nullptr && live.size() == 1) chosen = &live.front();
    if (chosen == nullptr) {
        why = live.empty() ? "no open link " + std::to_string(handle) + " is registered in " + dir
                           : "several programs have a link " + std::to_string(handle) +
                                 " open; start the tool from the one that should lend it";
        return std::nullopt;
    }
    std::optional<RegisteredLink> link = readEntry(chosen->path);
    if (!link) why = "the entry " + chosen->path.string() + " cannot be read";
    return link;
}

}  // namespace kvxglib
