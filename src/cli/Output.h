#pragma once
// How a command's results reach the user. When stdout is not a terminal the tab-separated
// lines stay exactly as they always were (scripts and the headless demo read them); on a
// terminal the same rows become a table with headers and readable units; with --json, JSON.
// Every command that prints rows builds them once and hands them here.
#include <iosfwd>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace cli {

enum class OutputFormat { Tab, Table, Json };

// Json when asked for, else Table on a terminal and Tab otherwise.
OutputFormat chooseFormat(bool json);

// JSON objects keep their keys in the order they were added: the order docs/cli.md shows.
using Json = nlohmann::ordered_json;

// One value of a row: its JSON key, its column header, the text a person reads and the JSON
// value a script reads.
struct Field {
    std::string key;
    std::string header;
    std::string shown;
    Json json;
};
Field textField(std::string key, std::string header, const std::string& value);
// `shown` is what the table shows ("4 KB"); the JSON keeps the plain number.
Field numberField(std::string key, std::string header, long long value, std::string shown = {});
Field boolField(std::string key, std::string header, bool value, std::string shown);
// A number the controller gave as text ("21.5"): a JSON number, or the text when it is none.
Field numericTextField(std::string key, std::string header, const std::string& value);

using Row = std::vector<Field>;

// A list: `tabLines` are printed as they are for Tab, one per row, each ending in a newline.
void printRows(std::ostream& out, OutputFormat format, const std::vector<Row>& rows,
               const std::vector<std::string>& tabLines);
// One result: a "header  value" list on a terminal, an object in JSON.
void printRecord(std::ostream& out, OutputFormat format, const Row& row,
                 const std::string& tabLine);

// A command's one result: `tabLine` for a person or a script reading lines (nothing when
// empty), `json` with --json.
void printResult(std::ostream& out, OutputFormat format, const Json& json,
                 const std::string& tabLine);
// The JSON text of `json` as every command prints it; a text that is not UTF-8 cannot stop it.
std::string jsonText(const Json& json);
// "4 KB", "1.5 MB" for a byte count.
std::string kilobytes(long long bytes);
// "2026-12-08 14:03:00" in the user's time zone for seconds since 1 January 1980, as the
// window shows it; "-" for 0.
std::string dateSince1980(long long seconds);

}  // namespace cli
