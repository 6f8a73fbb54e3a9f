#include "cli/Output.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <ostream>

#include "load/PartitionRows.h"

namespace cli {

OutputFormat chooseFormat(bool json) {
    if (json) return OutputFormat::Json;
    return ::isatty(STDOUT_FILENO) != 0 ? OutputFormat::Table : OutputFormat::Tab;
}

Field textField(std::string key, std::string header, const std::string& value) {
    return {std::move(key), std::move(header), value, value};
}

Field numberField(std::string key, std::string header, long long value, std::string shown) {
    const std::string plain = std::to_string(value);
    return {std::move(key), std::move(header), shown.empty() ? plain : std::move(shown), value};
}

Field boolField(std::string key, std::string header, bool value, std::string shown) {
    return {std::move(key), std::move(header), std::move(shown), value};
}

Field numericTextField(std::string key, std::string header, const std::string& value) {
    Json number = Json::parse(value, nullptr, false);
    if (!number.is_number()) number = value;
    return {std::move(key), std::move(header), value, std::move(number)};
}

std::string jsonText(const Json& json) {
    return json.dump(2, ' ', false, Json::error_handler_t::replace);
}

void printResult(std::ostream& out, OutputFormat format, const Json& json,
                 const std::string& tabLine) {
    if (format == OutputFormat::Json)
        out << jsonText(json) << '\n';
    else if (!tabLine.empty())
        out << tabLine << '\n';
}

std::string kilobytes(long long bytes) {
    char buffer[32];
    if (bytes >= 10LL * 1024 * 1024) {
        std::snprintf(buffer, sizeof buffer, "%.1f MB", static_cast<double>(bytes) / 1048576.0);
    } else {
        std::snprintf(buffer, sizeof buffer, "%lld KB", (bytes + 1023) / 1024);
    }
    return buffer;
}

std::string dateSince1980(long long seconds) {
    // As the window shows it, in the user's time zone.
    const std::string text = load::LoadDateText(seconds);
    return text.empty() ? "-" : text;
}

namespace {

// East Asian wide characters aside, a UTF-8 text's width is its count of non-continuation bytes.
size_t width(const std::string& text) {
    return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

void padded(std::ostream& out, const std::string& text, size_t to) {
    out << text;
    for (size_t w = width(text); w < to; ++w) out << ' ';
}

Json jsonObject(const Row& row) {
    Json object = Json::object();
    for (const Field& f : row) object[f.key] = f.json;
    return object;
}

}  // namespace

void printRows(std::ostream& out, OutputFormat format, const std::vector<Row>& rows,
               const std::vector<std::string>& tabLines) {
    if (format == OutputFormat::Tab) {
        for (const std::string& line : tabLines) out << line << '\n';
        return;
    }
    if (format == OutputFormat::Json) {
        Json list = Json::array();
        for (const Row& row : rows) list.push_back(jsonObject(row));
        out << jsonText(list) << '\n';
        return;
    }
    if (rows.empty()) {
        out << "(none)\n";
        return;
    }
    std::vector<size_t> widths;
    for (const Field& f : rows.front()) widths.push_back(width(f.header));
    for (const Row& row : rows) {
        for (size_t c = 0; c < row.size() && c < widths.size(); ++c) {
            widths[c] = std::max(widths[c], width(row[c].shown));
        }
    }
    const auto line = [&](auto cell) {
        for (size_t c = 0; c < widths.size(); ++c) {
            const std::string text = cell(c);
            if (c + 1 == widths.size()) {
                out << text;
            } else {
                padded(out, text, widths[c] + 2);
            }
        }
        out << '\n';
    };
    line([&](size_t c) { return rows.front()[c].header; });
    line([&](size_t c) { return std::string(widths[c], '-'); });
    for (const Row& row : rows) line([&](size_t c) { return c < row.size() ? row[c].shown : ""; });
}

void printRecord(std::ostream& out, OutputFormat format, const Row& row,
                 const std::string& tabLine) {
    if (format == OutputFormat::Tab) {
        out << tabLine << '\n';
    } else if (format == OutputFormat::Json) {
        out << jsonText(jsonObject(row)) << '\n';
    } else {
        size_t w = 0;
        for (const Field& f : row) w = std::max(w, width(f.header));
        for (const Field& f : row) {
            padded(out, f.header + ":", w + 2);
            out << f.shown << '\n';
        }
    }
}

}  // namespace cli
