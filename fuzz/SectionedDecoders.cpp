#include "SectionedDecoders.h"

#include <optional>
#include <vector>

#include "platform/kvxglib/SectionedFile.h"
#include "platform/kvxglib/SettingsEdit.h"

namespace sectionedfuzz {
namespace {

using kvxglib::Section;
using kvxglib::SectionedFile;

// More writes per input only slow the fuzzer down; the first few entries find the same faults.
constexpr std::size_t MaxWrites = 8;

bool sameSections(const std::vector<Section>& a, const std::vector<Section>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].name != b[i].name || a[i].lead != b[i].lead) return false;
        if (a[i].entries.size() != b[i].entries.size()) return false;
        for (std::size_t j = 0; j < a[i].entries.size(); ++j)
            if (a[i].entries[j].key != b[i].entries[j].key ||
                a[i].entries[j].value != b[i].entries[j].value)
                return false;
    }
    return true;
}

// What reading must give after `key` of the sections named `section` is set to `value`.
std::vector<Section> expectedAfter(std::vector<Section> sections, const std::string& section,
                                   const std::string& key, const std::string& value) {
    for (Section& s : sections) {
        if (s.lead || s.name != section) continue;
        for (kvxglib::SectionEntry& e : s.entries)
            if (e.key == key) {
                e.value = value;
                return sections;
            }
    }
    for (Section& s : sections)
        if (!s.lead && s.name == section) {
            s.entries.push_back({key, value});
            return sections;
        }
    sections.push_back(Section{section, {{key, value}}, false});
    return sections;
}

bool fail(std::string& failure, std::string why) {
    failure = std::move(why);
    return false;
}

bool writeAndReread(const std::string& text, const std::vector<Section>& sections,
                    const std::string& section, const std::string& key, const std::string& value,
                    std::string& failure) {
    const std::optional<std::string> written =
        kvxglib::setSettingInText(text, section, key, value);
    // Refusing keys and section names that could not be read back is the writer's right.
    if (!written) return true;
    const std::optional<SectionedFile> reread = SectionedFile::parse(*written);
    const std::string what = "[" + section + "] " + key + "=" + value;
    if (!reread) return fail(failure, "the text with " + what + " written does not read");
    if (!sameSections(reread->sections(), expectedAfter(sections, section, key, value)))
        return fail(failure, "writing " + what + " does not read back as that one change");
    return true;
}

}  // namespace

bool exerciseSectionedFile(std::span<const uint8_t> bytes, std::string& failure) {
    const std::string text(bytes.begin(), bytes.end());
    const std::optional<SectionedFile> file = SectionedFile::parse(text);
    if (!file) return true;
    const std::vector<Section>& sections = file->sections();
    std::size_t writes = 0;
    for (const Section& s : sections) {
        if (s.lead) continue;
        for (const kvxglib::SectionEntry& e : s.entries) {
            if (++writes > MaxWrites) break;
            if (!writeAndReread(text, sections, s.name, e.key, e.value, failure) ||
                !writeAndReread(text, sections, s.name, e.key, "new; value", failure))
                return false;
        }
        if (!writeAndReread(text, sections, s.name, "NewKey", "1", failure)) return false;
    }
    // A value too long for the reader's line must be refused, not make the file unreadable.
    const std::string overlong(kvxglib::MaxLineLength, 'x');
    return writeAndReread(text, sections, "New Section", "NewKey", "2", failure) &&
           writeAndReread(text, sections, "New Section", "NewKey", overlong, failure);
}

}  // namespace sectionedfuzz
