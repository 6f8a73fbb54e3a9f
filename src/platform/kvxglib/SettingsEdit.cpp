#include "platform/kvxglib/SettingsEdit.h"

#include <cctype>
#include <vector>

#include "platform/kvxglib/SectionedFile.h"

namespace kvxglib {
namespace {

struct Line {
    std::string body;    // without its line ending
    std::string ending;  // "\n", "\r\n" or "" for a last line without one
};

enum class Kind { Other, Section, Entry };

struct Classified {
    Kind kind = Kind::Other;
    std::string name;       // section name or key
    size_t valueStart = 0;  // entries: where the value begins in the body
};

bool blank(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

std::vector<Line> splitLines(const std::string& text) {
    std::vector<Line> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t nl = text.find('\n', start);
        if (nl == std::string::npos) {
            lines.push_back({text.substr(start), ""});
            break;
        }
        const bool cr = nl > start && text[nl - 1] == '\r';
        lines.push_back({text.substr(start, nl - start - (cr ? 1 : 0)), cr ? "\r\n" : "\n"});
        start = nl + 1;
    }
    return lines;
}

// The same reading as the sectioned-file reader applies to one line.
Classified classify(const std::string& body) {
    size_t p = 0;
    while (p < body.size() && blank(body[p])) ++p;
    if (p == body.size() || body[p] == ';' || body[p] == '#') return {};
    if (body[p] == '[') {
        const size_t close = body.find(']', p + 1);
        if (close == std::string::npos) return {};
        return {Kind::Section, body.substr(p + 1, close - p - 1), 0};
    }
    const size_t sep = body.find_first_of("=:", p);
    if (sep == std::string::npos) return {};
    size_t keyEnd = sep;
    while (keyEnd > p && blank(body[keyEnd - 1])) --keyEnd;
    size_t valueStart = sep + 1;
    while (valueStart < body.size() && blank(body[valueStart])) ++valueStart;
    return {Kind::Entry, body.substr(p, keyEnd - p), valueStart};
}

bool writable(const std::string& section, const std::string& key, const std::string& value) {
    const auto hasBreak = [](const std::string& s) {
        return s.find_first_of("\r\n") != std::string::npos || s.find('\0') != std::string::npos;
    };
    if (hasBreak(section) || hasBreak(key) || hasBreak(value)) return false;
    if (section.find(']') != std::string::npos) return false;
    if (key.empty() || blank(key.front()) || blank(key.back())) return false;
    if (key.find_first_of("=:") != std::string::npos) return false;
    return key.front() != ';' && key.front() != '#' && key.front() != '[';
}

}  // namespace

std::optional<std::string> setSettingInText(const std::string& text, const std::string& section,
                                            const std::string& key, const std::string& value) {
    if (!writable(section, key, value)) return std::nullopt;
    std::vector<Line> lines = splitLines(text);
    const std::string newline = text.find("\r\n") != std::string::npos ? "\r\n" : "\n";

    std::string current;
    bool inLead = true;    // entries before any section belong to no named section
    bool inFirst = false;  // inside the first section named `section`
    bool seenSection = false;
    size_t insertAfter = 0;  // a new key goes after the last entry of that first section
    bool found = false;
    // The reader drops a byte order mark before the first line; so must the line's reading here,
    // or a first "[section]" goes unseen and the write lands in a second copy the reader ignores.
    const size_t bom = text.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0;
    for (size_t i = 0; i < lines.size() && !found; ++i) {
        const size_t skip = i == 0 ? bom : 0;
        const Classified c = classify(lines[i].body.substr(skip));
        if (c.kind == Kind::Section) {
            current = c.name;
            inLead = false;
            inFirst = current == section && !seenSection;
            if (inFirst) {
                seenSection = true;
                insertAfter = i + 1;
            }
        } else if (c.kind == Kind::Entry && !inLead && current == section) {
            if (c.name == key) {
                lines[i].body = lines[i].body.substr(0, skip + c.valueStart) + value;
                if (lines[i].body.size() > MaxLineLength) return std::nullopt;
                found = true;
            } else if (inFirst) {
                insertAfter = i + 1;
            }
        }
    }
    // A line the reader refuses would make the whole file unreadable, every other key lost.
    if (!found && (key.size() + 1 + value.size() > MaxLineLength ||
                   section.size() + 2 > MaxLineLength))
        return std::nullopt;
    if (!found) {
        const bool atEnd = !seenSection || insertAfter == lines.size();
        if (atEnd && !lines.empty() && lines.back().ending.empty()) lines.back().ending = newline;
        if (seenSection) {
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertAfter),
                         Line{key + "=" + value, newline});
        } else {
            if (!lines.empty() && !lines.back().body.empty()) lines.push_back({"", newline});
            lines.push_back({"[" + section + "]", newline});
            lines.push_back({key + "=" + value, newline});
        }
    }
    std::string out;
    for (const Line& line : lines) out += line.body + line.ending;
    return out;
}

}  // namespace kvxglib
