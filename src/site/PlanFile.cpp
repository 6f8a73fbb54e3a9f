#include "site/PlanFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <optional>

#include "platform/text/Text.h"
#include "site/Csv.h"

namespace site {
namespace {

enum Column { Serial, Link, Address, Model, Revision, Partition, NewAddress, Settings, Columns };

constexpr std::array<const char*, Columns> kColumnNames = {
    "serial", "link", "address", "model", "revision", "partition", "new-address", "settings"};

std::string columnList() {
    std::string list;
    for (const char* name : kColumnNames) list += (list.empty() ? "" : ", ") + std::string(name);
    return list;
}

// Header names as people type them: "New address", "new_address" and "NEW-ADDRESS" alike.
std::optional<Column> columnNamed(const std::string& text) {
    std::string name;
    for (char c : text) {
        if (c == ' ' || c == '_') c = '-';
        name += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    for (int i = 0; i < Columns; ++i)
        if (name == kColumnNames[static_cast<size_t>(i)]) return static_cast<Column>(i);
    return std::nullopt;
}

// PLA 1..254 and ELA 1..255; with `attached` also 255:30, the controller at the near end of a
// direct link.
std::optional<StationAddress> parseAddress(const std::string& text, bool attached) {
    const size_t colon = text.find(':');
    int pla = 0;
    int ela = 0;
    if (colon == std::string::npos || !parseNumber(text.substr(0, colon), 1, 255, pla) ||
        !parseNumber(std::string_view(text).substr(colon + 1), 1, 255, ela))
        return std::nullopt;
    if (pla == 255 && !(attached && ela == 30)) return std::nullopt;
    return StationAddress{static_cast<uint8_t>(pla), static_cast<uint8_t>(ela)};
}

bool validLink(const std::string& link) {
    if (link.rfind("serial:", 0) == 0) return link.size() > 7;
    if (link.rfind("tcp:", 0) != 0) return false;
    const std::string_view rest = std::string_view(link).substr(4);
    const size_t colon = rest.rfind(':');
    int port = 0;
    return colon != std::string_view::npos && colon > 0 &&
           parseNumber(rest.substr(colon + 1), 1, 65535, port);
}

// Why a field's text cannot be taken at all; empty when it can.
std::string unusableText(const std::string& text) {
    if (!text::isUtf8(text)) return "is not UTF-8 text (save the plan as CSV in UTF-8)";
    for (unsigned char c : text)
        if (c < 0x20 || c == 0x7f) return "holds a line break or another control character";
    if (text.size() > 1024) return "is longer than 1024 characters";
    return {};
}

struct RowReader {
    const std::string& folder;
    std::vector<PlanProblem>& problems;
    int line = 0;
    bool ok = true;

    void problem(const std::string& text) {
        problems.push_back({line, text});
        ok = false;
    }

    std::optional<StationAddress> address(const std::string& column, const std::string& text,
                                          bool attached) {
        if (text.empty()) return std::nullopt;
        std::optional<StationAddress> parsed = parseAddress(text, attached);
        if (!parsed)
            problem(column + " \"" + text + "\" is not PLA:ELA with PLA 1..254 and ELA 1..255" +
                    (attached ? " (or 255:30, the controller at the end of the link)" : ""));
        return parsed;
    }

    PlanRow row(const std::array<std::string, Columns>& f) {
        PlanRow row;
        row.line = line;
        row.serial = f[Serial];
        row.link = f[Link];
        row.model = f[Model];
        row.revision = f[Revision];
        if (!row.serial.empty() && !row.link.empty()) {
            problem("give a serial number or a link, not both");
        } else if (row.serial.empty() && row.link.empty()) {
            problem("no controller named: give a serial number, or a link and an address");
        }
        if (!row.link.empty() && !validLink(row.link))
            problem("link \"" + row.link + "\" is neither tcp:HOST:PORT nor serial:PATH");
        row.address = address("address", f[Address], true);
        if (!row.link.empty() && f[Address].empty())
            problem("a link needs the address of its station (PLA:ELA)");
        if (!row.serial.empty() && row.link.empty() && !f[Address].empty())
            problem(
                "an address goes with a link; a controller found by its serial number "
                "reports its own");
        if (row.model.empty()) problem("no model");
        if (row.revision.empty()) problem("no revision");
        if (!f[Partition].empty() && !parseNumber(f[Partition], 1, 255, row.partition))
            problem("partition \"" + f[Partition] + "\" is not a number 1..255");
        row.newAddress = address("new-address", f[NewAddress], false);
        if (!f[Settings].empty()) {
            const std::filesystem::path file(f[Settings]);
            row.settingsFile = file.is_relative() && !folder.empty()
                                   ? (std::filesystem::path(folder) / file).string()
                                   : file.string();
        }
        return row;
    }
};

// The header's column for each field position (nothing for a column without a name); false
// when the header cannot be used.
bool readHeader(const CsvRecord& header, std::vector<std::optional<Column>>& layout,
                std::vector<PlanProblem>& problems) {
    const size_t before = problems.size();
    std::array<bool, Columns> seen{};
    for (const std::string& name : header.fields) {
        std::optional<Column> column;
        if (!name.empty()) {
            column = columnNamed(name);
            if (!column) {
                problems.push_back({header.line, "unknown column \"" + name +
                                                     "\" (the columns are " + columnList() + ")"});
            } else if (seen[*column]) {
                problems.push_back({header.line, "column \"" + name + "\" appears twice"});
            } else {
                seen[*column] = true;
            }
        }
        layout.push_back(column);
    }
    for (Column required : {Model, Revision})
        if (!seen[required])
            problems.push_back({header.line, "the header has no column \"" +
                                                 std::string(kColumnNames[required]) + "\""});
    if (!seen[Serial] && !seen[Link])
        problems.push_back({header.line,
                            "the header has neither a column \"serial\" nor a "
                            "column \"link\": the rows name no controller"});
    if (seen[Link] && !seen[Address])
        problems.push_back({header.line,
                            "the header has a column \"link\" but no column "
                            "\"address\" for its stations"});
    return problems.size() == before;
}

}  // namespace

bool parseNumber(std::string_view text, int min, int max, int& out) {
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || value < min ||
        value > max)
        return false;
    out = value;
    return true;
}

Plan parsePlan(std::string_view text, const std::string& folder,
               std::vector<PlanProblem>& problems) {
    Plan plan;
    if (text.size() > kMaxPlanBytes) {
        problems.push_back({0, "the plan is larger than " + std::to_string(kMaxPlanBytes) +
                                   " bytes: not a plan of controllers"});
        return plan;
    }
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    const std::vector<CsvRecord> records = splitCsv(text, guessSeparator(text), problems);
    if (records.empty()) {
        problems.push_back({0, "the plan has no header and no rows"});
        return plan;
    }
    if (records.size() - 1 > kMaxPlanRows) {
        problems.push_back({0, "the plan has more than " + std::to_string(kMaxPlanRows) +
                                   " rows: split it into several plans"});
        return plan;
    }
    std::vector<std::optional<Column>> layout;
    if (!readHeader(records.front(), layout, problems)) return plan;
    if (records.size() == 1) problems.push_back({0, "the plan has a header but no rows"});
    for (size_t r = 1; r < records.size(); ++r) {
        const CsvRecord& record = records[r];
        RowReader reader{folder, problems, record.line};
        std::array<std::string, Columns> fields;
        for (size_t i = 0; i < record.fields.size(); ++i) {
            const std::string& field = record.fields[i];
            if (field.empty()) continue;
            if (i >= layout.size() || !layout[i]) {
                reader.problem("\"" + field + "\" stands in a column the header does not name");
                continue;
            }
            const std::string why = unusableText(field);
            if (!why.empty()) {
                reader.problem("the " + std::string(kColumnNames[*layout[i]]) + " field " + why);
                continue;
            }
            fields[*layout[i]] = field;
        }
        if (!reader.ok) continue;
        PlanRow row = reader.row(fields);
        if (reader.ok) plan.rows.push_back(std::move(row));
    }
    return plan;
}

Plan readPlan(const std::string& path, std::vector<PlanProblem>& problems) {
    Plan plan;
    plan.file = path;
    const auto cannot = [&](const std::string& why) {
        problems.push_back({0, "cannot read the plan " + path + ": " + why});
        return plan;
    };
    // Not blocking: a named pipe or a device given as the plan is refused, never waited on.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return cannot(std::strerror(errno));
    struct stat st {};
    std::string text;
    std::string why;
    if (::fstat(fd, &st) != 0) {
        why = std::strerror(errno);
    } else if (!S_ISREG(st.st_mode)) {
        why = "not a regular file";
    } else if (static_cast<uint64_t>(st.st_size) > kMaxPlanBytes) {
        why = "larger than " + std::to_string(kMaxPlanBytes) + " bytes: not a plan of controllers";
    } else {
        // Bounded again while reading: the file may grow after fstat.
        char buffer[65536];
        for (;;) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                why = std::strerror(errno);
                break;
            }
            if (n == 0) break;
            text.append(buffer, static_cast<size_t>(n));
            if (text.size() > kMaxPlanBytes) {
                why = "larger than " + std::to_string(kMaxPlanBytes) + " bytes";
                break;
            }
        }
    }
    ::close(fd);
    if (!why.empty()) return cannot(why);
    Plan read = parsePlan(text, std::filesystem::path(path).parent_path().string(), problems);
    read.file = path;
    return read;
}

}  // namespace site
