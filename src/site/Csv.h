#pragma once
// Comma-separated records as spreadsheets write them: fields in double quotes may hold the
// separator, line breaks and doubled quotes; lines end in CRLF or LF.
#include <string>
#include <string_view>
#include <vector>

#include "site/Plan.h"

namespace site {

struct CsvRecord {
    int line = 0;  // where the record starts, 1-based
    std::vector<std::string> fields;
};

// ';' when the first line that is neither blank nor a comment has more semicolons than commas
// outside quotes (spreadsheets set to a decimal comma write those), else ','.
char guessSeparator(std::string_view text);

// The records of `text`, lines starting with '#' and blank lines left out; spaces around an
// unquoted field are dropped. A record that does not split (text after a closing quote) is a
// problem and left out; a quote left open ends the reading there.
std::vector<CsvRecord> splitCsv(std::string_view text, char separator,
                                std::vector<PlanProblem>& problems);

}  // namespace site
