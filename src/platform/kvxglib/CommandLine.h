#pragma once
// An argument text split into arguments the way a Windows command line splits: blanks
// separate, double quotes group (and are removed), 2n backslashes before a quote give n
// backslashes, 2n+1 give n and a literal quote; other backslashes are plain characters.
#include <string>
#include <vector>

namespace kvxglib {

std::vector<std::string> splitArguments(const std::string& text);

}  // namespace kvxglib
