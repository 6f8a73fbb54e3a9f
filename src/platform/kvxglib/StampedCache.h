#pragma once
// Parsed files kept per path and re-read only when the file's stamp changes, so files that
// may change at run time (settings, texts) stay cheap to consult on every call.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>

#include "platform/kvxglib/FileStamp.h"

namespace kvxglib {

template <typename T>
class StampedCache {
  public:
    using Loader = std::function<std::optional<T>(const std::string& nativePath)>;
    explicit StampedCache(Loader loader) : loader_(std::move(loader)) {}

    // The parsed file, nullptr when it is missing or does not load. The object stays valid
    // (and unchanged) while the caller holds it, even if the file is re-read meanwhile.
    std::shared_ptr<const T> get(const std::string& nativePath) {
        const std::optional<FileStamp> stamp = stampOf(nativePath);
        if (!stamp) {
            slots_.erase(nativePath);
            return nullptr;
        }
        auto it = slots_.find(nativePath);
        if (it != slots_.end() && it->second.stamp == *stamp) return it->second.value;
        std::optional<T> loaded = loader_(nativePath);
        std::shared_ptr<const T> value =
            loaded ? std::make_shared<const T>(std::move(*loaded)) : nullptr;
        slots_[nativePath] = Slot{*stamp, value};
        return value;
    }

  private:
    struct Slot {
        FileStamp stamp;
        std::shared_ptr<const T> value;
    };
    Loader loader_;
    // Hashed: start-up looks up thousands of paths that differ only near their ends.
    std::unordered_map<std::string, Slot> slots_;
};

}  // namespace kvxglib
