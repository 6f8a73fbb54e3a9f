#pragma once
// The numbered texts of a texts file: section [Texts], keys that are the numbers, UTF-8
// values; "\n" in a value stands for a line break and "\\" for a backslash.
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>

namespace kvxglib {

class TextsFile {
  public:
    // Nothing when the file cannot be read or parsed.
    static std::optional<TextsFile> load(const std::string& nativePath);
    static TextsFile fromSectioned(const class SectionedFile& file);

    // Nothing when the file lacks the number.
    const std::string* find(int32_t number) const;

  private:
    std::unordered_map<int32_t, std::string> texts_;
};

// What the library answers for a number that no texts file holds.
std::string missingTextPlaceholder(int32_t number);

// The texts file's name on disk for the name the program gives (without extension).
std::string textsFileName(const std::string& programPath);

}  // namespace kvxglib
