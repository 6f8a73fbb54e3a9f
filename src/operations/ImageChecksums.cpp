#include "operations/ImageChecksums.h"

namespace operations {

std::optional<uint32_t> ImageChecksums::of(const std::string& path, const Read& read,
                                           std::string& why) {
    // Held while reading: the other rows wait for the one read rather than each making it.
    std::lock_guard lock(mutex_);
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    const auto written =
        error ? std::filesystem::file_time_type{} : std::filesystem::last_write_time(path, error);
    if (!error) {
        const auto it = known_.find(path);
        if (it != known_.end() && it->second.size == size && it->second.written == written)
            return it->second.checksum;
    }
    const std::optional<uint32_t> checksum = read(why);
    if (checksum && !error) known_[path] = {size, written, *checksum};
    return checksum;
}

}  // namespace operations
