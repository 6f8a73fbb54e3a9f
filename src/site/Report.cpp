#include "site/Report.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "operations/BackupName.h"
#include "operations/PrivateFolder.h"
#include "platform/kvxglib/AtomicFile.h"

namespace site {
namespace {

using Json = nlohmann::ordered_json;

constexpr const char* kResults[] = {"not started", "succeeded", "failed", "cancelled"};

// The columns of both files, in order: one schema.
struct Column {
    const char* key;
    std::string (*text)(const ControllerReport&);
};

std::string number(double value) {
    std::ostringstream out;
    out.precision(3);
    out << std::fixed << value;
    return out.str();
}

const Column kColumns[] = {
    {"line", [](const ControllerReport& r) { return std::to_string(r.line); }},
    {"controller", [](const ControllerReport& r) { return r.controller; }},
    {"serial", [](const ControllerReport& r) { return r.serial; }},
    {"name", [](const ControllerReport& r) { return r.name; }},
    {"addressBefore", [](const ControllerReport& r) { return r.addressBefore; }},
    {"addressAfter", [](const ControllerReport& r) { return r.addressAfter; }},
    {"model", [](const ControllerReport& r) { return r.model; }},
    {"revision", [](const ControllerReport& r) { return r.revision; }},
    {"partition", [](const ControllerReport& r) { return std::to_string(r.partition); }},
    {"imageChecksum", [](const ControllerReport& r) { return r.imageChecksum; }},
    {"osBefore", [](const ControllerReport& r) { return r.osBefore; }},
    {"osAfter", [](const ControllerReport& r) { return r.osAfter; }},
    {"portOsBefore", [](const ControllerReport& r) { return r.portOsBefore; }},
    {"portOsAfter", [](const ControllerReport& r) { return r.portOsAfter; }},
    {"backupFile", [](const ControllerReport& r) { return r.backupFile; }},
    {"start", [](const ControllerReport& r) { return r.start; }},
    {"end", [](const ControllerReport& r) { return r.end; }},
    {"durationSeconds", [](const ControllerReport& r) { return number(r.durationSeconds); }},
    {"result", [](const ControllerReport& r) { return resultText(r.result); }},
};

// A spreadsheet takes a cell starting with these as a formula; names and messages come from
// controllers on the network, so such a cell is written as text.
std::string csvField(std::string text) {
    if (!text.empty() && std::strchr("=+-@\t\r", text.front()) != nullptr) text.insert(0, "'");
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += (text.empty() ? "" : "\n") + line;
    return text;
}

bool folderInTheWay(const std::string& path, std::string& why) {
    std::error_code ec;
    if (!std::filesystem::is_directory(path, ec)) return false;
    why = "cannot write the report " + path + ": a folder of that name is in the way";
    return true;
}

// Both files together: a full disk leaves the old pair as it was, never a new JSON beside an
// old CSV.
bool writeBoth(const std::string& json, const std::string& csv, const Report& report,
               std::string& why) {
    errno = 0;
    if (kvxglib::writeFilesAtomically({{json, reportJson(report)}, {csv, reportCsv(report)}}))
        return true;
    const int error = errno;
    why = "cannot write the report " + json + " and " + csv +
          (error != 0 ? std::string(": ") + std::strerror(error) : std::string());
    return false;
}

std::string stringField(const Json& row, const char* key) {
    const auto it = row.find(key);
    return it != row.end() && it->is_string() ? it->get<std::string>() : std::string();
}

}  // namespace

std::string resultText(RowResult result) { return kResults[static_cast<int>(result)]; }

ControllerReport reportFor(const PlanRow& row) {
    ControllerReport report;
    report.line = row.line;
    report.controller = rowController(row);
    report.serial = row.serial;
    if (row.address) report.addressBefore = addressText(*row.address);
    report.model = row.model;
    report.revision = row.revision;
    report.partition = row.partition;
    return report;
}

std::string reportJson(const Report& report) {
    Json rows = Json::array();
    for (const ControllerReport& r : report.rows) {
        Json row;
        for (const Column& column : kColumns) row[column.key] = column.text(r);
        row["line"] = r.line;
        row["partition"] = r.partition;
        row["durationSeconds"] = r.durationSeconds;
        row["messages"] = r.messages;
        rows.push_back(std::move(row));
    }
    Json document;
    document["plan"] = report.plan;
    document["interrupted"] = report.interrupted;
    document["controllers"] = std::move(rows);
    return document.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

std::string reportCsv(const Report& report) {
    std::string text;
    for (const Column& column : kColumns) text += std::string(column.key) + ",";
    text += "messages\r\n";
    for (const ControllerReport& r : report.rows) {
        for (const Column& column : kColumns) text += csvField(column.text(r)) + ",";
        text += csvField(joined(r.messages)) + "\r\n";
    }
    return text;
}

std::string reportBesidePlan(const std::string& planPath) {
    const std::filesystem::path path(planPath);
    return (path.parent_path() / (path.stem().string() + ".report.json")).string();
}

std::optional<std::string> reportInMachineFolder(const std::string& machineDir,
                                                 std::chrono::system_clock::time_point now,
                                                 std::string& why) {
    const std::filesystem::path folder = std::filesystem::path(machineDir) / "site-reports";
    if (!operations::makePrivateFolder(folder.string(), "the report folder", why))
        return std::nullopt;
    std::error_code error;
    const std::string stamp = operations::backupStamp(now);
    // A report is never written over another one.
    constexpr int kMostInOneSecond = 999;
    for (int n = 1; n <= kMostInOneSecond; ++n) {
        const std::string path =
            (folder / (operations::numberedStamp(stamp, n) + ".json")).string();
        if (!std::filesystem::exists(std::filesystem::symlink_status(path, error)) &&
            !std::filesystem::exists(std::filesystem::symlink_status(csvPathFor(path), error)))
            return path;
    }
    why = "the report folder " + folder.string() + " has no free name for " + stamp;
    return std::nullopt;
}

std::string csvPathFor(const std::string& reportPath) {
    return std::filesystem::path(reportPath).replace_extension(".csv").string();
}

bool writeReport(const Report& report, const std::string& path, std::string& why) {
    const std::string csv = csvPathFor(path);
    if (csv == path) {
        why = "the report " + path + " needs a name other than one ending in .csv";
        return false;
    }
    // Both checked first, so that a folder in the way of either leaves both files as they were.
    if (folderInTheWay(path, why) || folderInTheWay(csv, why)) return false;
    return writeBoth(path, csv, report, why);
}

std::optional<Report> readReport(const std::string& path, std::string& why) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        why = "cannot read the report " + path + ": " + std::strerror(errno);
        return std::nullopt;
    }
    const Json document = Json::parse(in, nullptr, false);
    if (document.is_discarded() || !document.is_object() || !document.contains("controllers") ||
        !document["controllers"].is_array()) {
        why = path + " is not a site report";
        return std::nullopt;
    }
    Report report;
    report.plan = stringField(document, "plan");
    for (const Json& row : document["controllers"]) {
        if (!row.is_object()) continue;
        ControllerReport entry;
        entry.controller = stringField(row, "controller");
        entry.serial = stringField(row, "serial");
        entry.result = RowResult::Failed;
        const std::string result = stringField(row, "result");
        for (int i = 0; i < static_cast<int>(std::size(kResults)); ++i)
            if (result == kResults[i]) entry.result = static_cast<RowResult>(i);
        report.rows.push_back(std::move(entry));
    }
    return report;
}

std::vector<PlanRow> rowsToRedo(const Plan& plan, const Report& previous) {
    std::vector<PlanRow> rows;
    for (const PlanRow& row : plan.rows) {
        const std::string controller = rowController(row);
        for (const ControllerReport& entry : previous.rows) {
            if (entry.controller == controller && entry.result != RowResult::Succeeded) {
                rows.push_back(row);
                break;
            }
        }
    }
    return rows;
}

}  // namespace site
