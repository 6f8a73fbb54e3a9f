#pragma once
// A sectioned key/value text file, read whole: sections in file order (a repeated section
// stays a separate section), entries in file order, keys compared case-sensitively.
// Syntax: "[name]" starts a section; "key=value" with blanks around both trimmed; lines
// starting with ";" or "#" are comments; a ";" inside a value is part of the value.
// Entries before the first section belong to an unnamed lead section.
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace kvxglib {

// The longest line the reader accepts, without its line ending.
constexpr size_t MaxLineLength = size_t{64} * 1024;

struct SectionEntry {
    std::string key;
    std::string value;
};

struct Section {
    std::string name;
    std::vector<SectionEntry> entries;
    bool lead = false;  // the unnamed entries before the first "[...]" line
};

class SectionedFile {
  public:
    // Nothing when the text does not parse (no partial result).
    static std::optional<SectionedFile> parse(const std::string& content);
    // Nothing when the file cannot be read or does not parse.
    static std::optional<SectionedFile> load(const std::string& nativePath);

    const std::vector<Section>& sections() const { return sections_; }
    // The value of the first `key` in the sections named `section`, in file order.
    const std::string* find(const std::string& section, const std::string& key) const;

  private:
    std::vector<Section> sections_;
};

// The whole file as bytes; nothing when it cannot be read.
std::optional<std::string> readWholeFile(const std::string& nativePath);

}  // namespace kvxglib
