#pragma once
// The checksums of the images a site run compares its controllers with, each read once per
// file as it stands: fifty rows reading and verifying the same megabyte after their loads cost
// the host more than the rest of their work. Any thread.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>

namespace operations {

class ImageChecksums {
  public:
    using Read = std::function<std::optional<uint32_t>(std::string& why)>;
    // The checksum of the image at `path`: taken with `read` unless known for the file as it
    // is now (same size and time of writing). Nothing, with `why`, when `read` gives nothing.
    std::optional<uint32_t> of(const std::string& path, const Read& read, std::string& why);

  private:
    struct Known {
        std::uintmax_t size = 0;
        std::filesystem::file_time_type written;
        uint32_t checksum = 0;
    };
    std::mutex mutex_;
    std::map<std::string, Known> known_;
};

}  // namespace operations
