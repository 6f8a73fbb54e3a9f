#include <cstring>
#include <optional>

#include "FileDecoders.h"
#include "settingstool/SettingsFile.h"

namespace filefuzz {
namespace {

// Reals compare by their bits: a NaN read must read back as that NaN.
bool sameValue(const clink::VarValue& a, const clink::VarValue& b) {
    if (a.index() != b.index()) return false;
    if (const float* x = std::get_if<float>(&a)) {
        const float y = std::get<float>(b);
        return std::memcmp(x, &y, sizeof y) == 0;
    }
    return a == b;
}

bool sameData(const settingstool::SettingsData& a, const settingstool::SettingsData& b) {
    if (a.package != b.package || a.module != b.module || a.values.size() != b.values.size())
        return false;
    for (std::size_t i = 0; i < a.values.size(); ++i)
        if (a.values[i].first != b.values[i].first ||
            !sameValue(a.values[i].second, b.values[i].second))
            return false;
    return true;
}

}  // namespace

bool exerciseSettingsFile(std::span<const uint8_t> bytes, std::string& failure) {
    std::string why;
    const auto data = settingstool::parseSettings(std::string(bytes.begin(), bytes.end()), why);
    if (!data) {
        if (why.empty()) failure = "refused without a reason";
        return !why.empty();
    }
    const std::string written = settingstool::formatSettings(*data);
    const auto reread = settingstool::parseSettings(written, why);
    if (!reread) {
        failure = "what was read, written again, does not read: " + why;
        return false;
    }
    if (!sameData(*data, *reread)) {
        failure = "what was read, written again, reads back as other values";
        return false;
    }
    return true;
}

}  // namespace filefuzz
