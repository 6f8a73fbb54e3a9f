#include "platform/kvxglib/TextsFile.h"

#include <charconv>

#include "platform/kvxglib/SectionedFile.h"

namespace kvxglib {
namespace {

std::string unescape(const std::string& value) {
    std::string out;
    out.reserve(value.size());
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size() &&
            (value[i + 1] == 'n' || value[i + 1] == '\\')) {
            out += value[i + 1] == 'n' ? '\n' : '\\';
            ++i;
        } else {
            out += value[i];
        }
    }
    return out;
}

std::optional<int32_t> numberOf(const std::string& key) {
    int32_t number = 0;
    const auto [end, error] = std::from_chars(key.data(), key.data() + key.size(), number);
    if (error != std::errc() || end != key.data() + key.size()) return std::nullopt;
    return number;
}

}  // namespace

std::optional<TextsFile> TextsFile::load(const std::string& nativePath) {
    const auto file = SectionedFile::load(nativePath);
    if (!file) return std::nullopt;
    return fromSectioned(*file);
}

TextsFile TextsFile::fromSectioned(const SectionedFile& file) {
    TextsFile texts;
    for (const Section& section : file.sections()) {
        if (section.lead || section.name != "Texts") continue;
        for (const SectionEntry& entry : section.entries) {
            if (const auto number = numberOf(entry.key)) {
                texts.texts_.emplace(*number, unescape(entry.value));  // the first one wins
            }
        }
    }
    return texts;
}

const std::string* TextsFile::find(int32_t number) const {
    const auto it = texts_.find(number);
    return it == texts_.end() ? nullptr : &it->second;
}

std::string missingTextPlaceholder(int32_t number) {
    return "<text " + std::to_string(number) + ">";
}

std::string textsFileName(const std::string& programPath) { return programPath + ".txt"; }

}  // namespace kvxglib
