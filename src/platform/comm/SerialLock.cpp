#include "platform/comm/SerialLock.h"

#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

namespace comm {
namespace {

// The process holding a lock on the file of `fd`, from the kernel's list of locks; 0 when it
// cannot be told.
long lockHolder(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return 0;
    char device[64];
    std::snprintf(device, sizeof device, "%02x:%02x:%llu", major(st.st_dev), minor(st.st_dev),
                  static_cast<unsigned long long>(st.st_ino));
    std::ifstream locks("/proc/locks");
    std::string line;
    while (std::getline(locks, line)) {
        std::istringstream fields(line);
        std::string number, kind, mode, access, where;
        long pid = 0;
        fields >> number >> kind;
        if (kind == "->") continue;  // a waiter, not a holder
        fields >> mode >> access >> pid >> where;
        if (kind == "FLOCK" && where == device) return pid;
    }
    return 0;
}

std::string programName(long pid) {
    std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
    std::string name;
    std::getline(comm, name);
    return name;
}

}  // namespace

bool lockSerialDevice(int fd, const std::string& path, std::string& why) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return true;
    if (errno != EWOULDBLOCK) {
        why = "cannot lock " + path + ": " + std::strerror(errno);
        return false;
    }
    const long holder = lockHolder(fd);
    if (holder != 0 && holder == static_cast<long>(::getppid())) return true;
    why = path + " is busy: another program uses it";
    if (holder != 0) {
        const std::string name = programName(holder);
        why += " (process " + std::to_string(holder) + (name.empty() ? "" : ", " + name) + ")";
    }
    return false;
}

}  // namespace comm
