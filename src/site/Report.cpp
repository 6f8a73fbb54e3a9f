#include "site/Report.h"

#include <fcntl.h>
#include <unistd.h>

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

// The first name of `stamp`'s second in `folder` ("<prefix><stamp>[_n].json") whose JSON and
// CSV files are both free.
std::optional<std::string> freeStampedName(const std::filesystem::path& folder,
                                           const std::string& prefix, const std::string& stamp,
                                           std::string& why) {
    std::error_code error;
    constexpr int kMostInOneSecond = 999;
    for (int n = 1; n <= kMostInOneSecond; ++n) {
        const std::string path =
            (folder / (prefix + operations::numberedStamp(stamp, n) + ".json")).string();
        if (!std::filesystem::exists(std::filesystem::symlink_status(path, error)) &&
            !std::filesystem::exists(std::filesystem::symlink_status(csvPathFor(path), error)))
            return path;
    }
    why = "the folder " + folder.string() + " has no free report name for " + stamp;
    return std::nullopt;
}

std::string reportPrefix(const std::filesystem::path& plan) {
    return plan.stem().string() + ".report.";
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
    // A report is never written over another one.
    return freeStampedName(folder, "", operations::backupStamp(now), why);
}

std::optional<std::string> newReportBesidePlan(const std::string& planPath,
                                               std::chrono::system_clock::time_point now,
                                               std::string& why) {
    const std::filesystem::path plan(planPath);
    return freeStampedName(plan.parent_path(), reportPrefix(plan), operations::backupStamp(now),
                           why);
}

std::optional<std::string> newestReportOf(const std::string& planPath) {
    const std::filesystem::path plan(planPath);
    const std::string prefix = reportPrefix(plan);
    // The stamped names sort as backup names do: the stamp, then its number.
    std::vector<std::string> stamped;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(plan.parent_path(), error)) {
        const std::string name = entry.path().filename().string();
        if (name.size() > prefix.size() + 5 && name.starts_with(prefix) && name.ends_with(".json"))
            stamped.push_back(name.substr(prefix.size(), name.size() - prefix.size() - 5) +
                              operations::backupFileName("", 1));
    }
    if (const auto newest = operations::newestBackupName(stamped)) {
        const std::string stamp =
            newest->substr(0, newest->size() - operations::backupFileName("", 1).size());
        return (plan.parent_path() / (prefix + stamp + ".json")).string();
    }
    const std::string unstamped = reportBesidePlan(planPath);
    if (std::filesystem::is_regular_file(unstamped, error)) return unstamped;
    return std::nullopt;
}

bool reportWritable(const std::string& path, std::string& why) {
    const std::string csv = csvPathFor(path);
    if (csv == path) {
        why = "the report " + path + " needs a name other than one ending in .csv";
        return false;
    }
    if (folderInTheWay(path, why) || folderInTheWay(csv, why)) return false;
    // A file made and removed again: the folder's permissions, a file where the folder must
    // be, a missing folder and a read-only disk all show here.
    std::filesystem::path folder = std::filesystem::path(path).parent_path();
    if (folder.empty()) folder = ".";
    std::string probe = (folder / ".report-XXXXXX").string();
    const int fd = ::mkstemp(probe.data());
    if (fd < 0) {
        why = "cannot write the report " + path + ": " + std::strerror(errno);
        return false;
    }
    ::close(fd);
    ::unlink(probe.c_str());
    return true;
}

bool reportOfPlan(const Report& report, const std::string& planPath) {
    // A report that names no plan cannot be told apart: it is taken as it was given.
    if (report.plan.empty()) return true;
    std::error_code oursError;
    std::error_code itsError;
    const auto ours = std::filesystem::weakly_canonical(planPath, oursError);
    const auto its = std::filesystem::weakly_canonical(report.plan, itsError);
    return !oursError && !itsError && ours == its;
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
