#include "operations/PrivateFolder.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

namespace operations {

bool makePrivateFolder(const std::string& path, const std::string& what, std::string& why) {
    if (::mkdir(path.c_str(), 0700) == 0) return true;
    const int made = errno;
    struct stat st {};
    if (made == EEXIST && ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return true;
    why = what + " " + path + " cannot be made: " +
          (made == EEXIST ? std::string("something else has that name") : std::strerror(made));
    return false;
}

}  // namespace operations
