#pragma once
// The report of a site run: one entry per plan row, written as JSON and as CSV with the same
// fields (docs/site-plan.md), and read back to redo the rows that did not succeed.
#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "site/Plan.h"

namespace site {

// How a row ended. Only Succeeded counts as done; a rerun with the failed rows takes the rest.
enum class RowResult { NotStarted, Succeeded, Failed, Cancelled };
std::string resultText(RowResult result);

struct ControllerReport {
    int line = 0;            // the row in the plan file
    std::string controller;  // rowController(): how the rerun finds the row again
    std::string serial;
    std::string name;
    std::string addressBefore;  // "PLA:ELA"
    std::string addressAfter;
    std::string model;
    std::string revision;
    int partition = 0;          // the one loaded; 0 for a controller without partitions
    std::string imageChecksum;  // "0x%08x" as read back from the controller and compared
    std::string osBefore;       // "major.minor-branch-number"
    std::string osAfter;
    std::string portOsBefore;
    std::string portOsAfter;
    std::string backupFile;
    std::string start;  // UTC, "2026-12-09T08:15:00.123Z"; empty when the row never started
    std::string end;
    double durationSeconds = 0;
    RowResult result = RowResult::NotStarted;
    std::vector<std::string> messages;  // every message shown for the row, in order
};

struct Report {
    std::string plan;
    bool interrupted = false;  // stopped from outside before every row had its turn
    std::vector<ControllerReport> rows;
};

// The entry for a row before it runs.
ControllerReport reportFor(const PlanRow& row);

std::string reportJson(const Report& report);
std::string reportCsv(const Report& report);

// Beside the plan: "site.csv" reports into "site.report.json" (and "site.report.csv").
std::string reportBesidePlan(const std::string& planPath);

// A report of its own for one run, beside the plan: "site.csv" reports into
// "site.report.<UTC time>.json" ("_2", "_3", ... within one second), its CSV name free as well,
// so that no run writes over an earlier one's report. Nothing with `why` when no name is free.
std::optional<std::string> newReportBesidePlan(const std::string& planPath,
                                               std::chrono::system_clock::time_point now,
                                               std::string& why);

// The newest report that runs of the plan left beside it (reportBesidePlan's name, from before
// reports were kept, counting as the oldest); nothing when there is none.
std::optional<std::string> newestReportOf(const std::string& planPath);

// Whether the report's two files can be written, tried before anything is sent: the folder
// takes a new file and no folder stands where a file must go. False with `why`.
bool reportWritable(const std::string& path, std::string& why);

// Whether `report` is of the plan file at `planPath` (the same file, however it was named).
bool reportOfPlan(const Report& report, const std::string& planPath);

// A new report in `site-reports/` of the machine folder, for rows that no plan file holds:
// "<UTC time>.json" ("_2", "_3", ... within one second), its CSV name free as well. The folder
// is made (for this user only) when missing. Nothing with `why` when it cannot be.
std::optional<std::string> reportInMachineFolder(const std::string& machineDir,
                                                 std::chrono::system_clock::time_point now,
                                                 std::string& why);

// The CSV file that goes with a report file: its name with ".csv" in place of its extension.
std::string csvPathFor(const std::string& reportPath);

// Both files, each replaced atomically: a failure (a full disk, a folder in the way) leaves
// the old files as they were and says why. False with `why`.
bool writeReport(const Report& report, const std::string& path, std::string& why);

// A report as writeReport wrote it (the JSON file); nothing with `why` when it cannot be read.
std::optional<Report> readReport(const std::string& path, std::string& why);

// The plan rows whose controller did not succeed in `previous`; rows the report does not name
// are left out, as they were not part of that run.
std::vector<PlanRow> rowsToRedo(const Plan& plan, const Report& previous);

}  // namespace site
