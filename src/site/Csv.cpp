#include "site/Csv.h"

#include <algorithm>

namespace site {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// Past the line break at `pos` (LF or CRLF), or the end.
std::size_t pastLine(std::string_view text, std::size_t pos) {
    const std::size_t lf = text.find('\n', pos);
    return lf == std::string_view::npos ? text.size() : lf + 1;
}

bool atLineEnd(std::string_view text, std::size_t pos) {
    return pos >= text.size() || text[pos] == '\n' ||
           (text[pos] == '\r' && pos + 1 < text.size() && text[pos + 1] == '\n');
}

std::string trimmed(std::string_view text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && isBlank(text[begin])) ++begin;
    while (end > begin && isBlank(text[end - 1])) --end;
    return std::string(text.substr(begin, end - begin));
}

}  // namespace

char guessSeparator(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t next = pastLine(text, pos);
        const std::string line = trimmed(text.substr(pos, next - pos));
        pos = next;
        if (line.empty() || line == "\r" || line.front() == '#') continue;
        std::size_t commas = 0;
        std::size_t semicolons = 0;
        bool quoted = false;
        for (char c : line) {
            if (c == '"') quoted = !quoted;
            if (!quoted && c == ',') ++commas;
            if (!quoted && c == ';') ++semicolons;
        }
        return semicolons > commas ? ';' : ',';
    }
    return ',';
}

std::vector<CsvRecord> splitCsv(std::string_view text, char separator,
                                std::vector<PlanProblem>& problems) {
    std::vector<CsvRecord> records;
    std::size_t pos = 0;
    int line = 1;
    while (pos < text.size()) {
        if (text[pos] == '#') {
            pos = pastLine(text, pos);
            ++line;
            continue;
        }
        CsvRecord record{line, {}};
        bool broken = false;
        for (;;) {
            while (pos < text.size() && isBlank(text[pos])) ++pos;
            std::string field;
            if (pos < text.size() && text[pos] == '"') {
                const int opened = line;
                ++pos;
                for (;;) {
                    const std::size_t quote = text.find('"', pos);
                    if (quote == std::string_view::npos) {
                        problems.push_back({opened,
                                            "a quoted field opened on this line is not "
                                            "closed; nothing after it was read"});
                        return records;
                    }
                    const std::string_view part = text.substr(pos, quote - pos);
                    line += static_cast<int>(std::count(part.begin(), part.end(), '\n'));
                    field += part;
                    pos = quote + 1;
                    if (pos < text.size() && text[pos] == '"') {
                        field += '"';
                        ++pos;
                        continue;
                    }
                    break;
                }
                while (pos < text.size() && isBlank(text[pos])) ++pos;
                if (!atLineEnd(text, pos) && text[pos] != separator) {
                    problems.push_back({line,
                                        "text after a closing quote: a field in quotes "
                                        "must end at its closing quote"});
                    broken = true;
                }
            } else {
                const std::size_t begin = pos;
                while (!atLineEnd(text, pos) && text[pos] != separator) ++pos;
                field = trimmed(text.substr(begin, pos - begin));
            }
            if (broken) break;
            record.fields.push_back(std::move(field));
            if (pos < text.size() && text[pos] == separator) {
                ++pos;
                continue;
            }
            break;
        }
        pos = pastLine(text, pos);
        ++line;
        if (broken) continue;
        const bool blank = std::all_of(record.fields.begin(), record.fields.end(),
                                       [](const std::string& f) { return f.empty(); });
        if (!blank) records.push_back(std::move(record));
    }
    return records;
}

}  // namespace site
