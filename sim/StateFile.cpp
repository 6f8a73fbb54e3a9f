#include "sim/StateFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace sim {
namespace {

std::string systemError(const std::string& what, const std::string& path) {
    return what + " " + path + ": " + std::strerror(errno);
}

}  // namespace

bool writeFileAtomically(const std::string& path, const std::string& content, std::string& error) {
    // A fresh name of our own (mode 0600: the state holds password verifiers); a link or
    // file planted at a fixed name is never followed.
    std::string temporary = path + ".XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        error = systemError("cannot create", temporary);
        return false;
    }
    std::size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error = systemError("cannot write", temporary);
            ::close(fd);
            ::unlink(temporary.c_str());
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    if (::fsync(fd) != 0) {
        error = systemError("cannot flush", temporary);
        ::close(fd);
        ::unlink(temporary.c_str());
        return false;
    }
    ::close(fd);
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        error = systemError("cannot replace", path);
        ::unlink(temporary.c_str());
        return false;
    }
    // The rename itself must reach the disk too.
    const std::string folder = std::filesystem::path(path).parent_path().string();
    const int dir =
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

std::string StateFolder::pathOf(const std::string& controllerId) const {
    return folder_ + "/" + controllerId + ".state";
}

bool StateFolder::save(const std::string& controllerId, const ControllerState& state,
                       std::string& error) const {
    return writeFileAtomically(pathOf(controllerId), serializeState(state), error);
}

bool StateFolder::load(const std::string& controllerId, std::optional<ControllerState>& state,
                       std::string& error) const {
    const std::string path = pathOf(controllerId);
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        state.reset();
        return true;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = systemError("cannot open", path);
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    ControllerState loaded;
    std::string why;
    if (!parseState(text.str(), loaded, why)) {
        error = path + ": " + why;
        return false;
    }
    state = std::move(loaded);
    return true;
}

}  // namespace sim
