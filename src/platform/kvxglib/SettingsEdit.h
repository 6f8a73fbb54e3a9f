#pragma once
// One key of a sectioned text changed in place: every other line, comment and line ending
// stays as it was. The line syntax is the one SectionedFile reads.
#include <optional>
#include <string>

namespace kvxglib {

// The text with `key` of the first section named `section` set to `value`: its line is
// rewritten keeping the text up to and including "=" and the blanks after it; a missing key
// is added after the last entry of that section, a missing section at the end. Nothing when
// the line could not be read back as written (a line break anywhere, a key that is empty,
// holds "=" or ":" or starts like a comment or section, a section name holding "]", a line
// longer than the reader takes).
// Blanks around the value are trimmed when it is read, as for every value.
std::optional<std::string> setSettingInText(const std::string& text, const std::string& section,
                                            const std::string& key, const std::string& value);

}  // namespace kvxglib
