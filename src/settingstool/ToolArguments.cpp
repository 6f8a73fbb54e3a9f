#include "settingstool/ToolArguments.h"

#include <charconv>
#include <cstdint>
#include <map>

namespace settingstool {
namespace {

bool number(const std::string& text, long min, long max, long& out) {
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, out);
    return !text.empty() && result.ec == std::errc() && result.ptr == end && out >= min &&
           out <= max;
}

}  // namespace

std::optional<ToolArguments> parseToolArguments(const std::vector<std::string>& arguments,
                                                std::string& why) {
    static const char* const kNames[] = {"PORT", "PLA", "ELA", "PATH", "CNAME", "DPAC"};
    std::map<std::string, std::string> given;
    for (const std::string& argument : arguments) {
        const size_t equals = argument.find('=');
        const std::string name = argument.substr(0, equals);
        bool known = false;
        for (const char* n : kNames) known = known || name == n;
        if (equals == std::string::npos || !known) {
            why = "unknown argument \"" + argument + "\" (expected NAME=value with NAME one of "
                  "PORT, PLA, ELA, PATH, CNAME, DPAC)";
            return std::nullopt;
        }
        if (!given.emplace(name, argument.substr(equals + 1)).second) {
            why = name + " is given twice";
            return std::nullopt;
        }
    }
    for (const char* n : kNames) {
        if (given.count(n) == 0) {
            why = std::string(n) + " is missing";
            return std::nullopt;
        }
    }
    ToolArguments a;
    long port = 0, pla = 0, ela = 0;
    if (!number(given["PORT"], 0, INT32_MAX, port)) {
        why = "PORT \"" + given["PORT"] + "\" is not a link handle (0 or more)";
        return std::nullopt;
    }
    if (!number(given["PLA"], 0, 255, pla) || !number(given["ELA"], 0, 255, ela)) {
        why = "PLA \"" + given["PLA"] + "\" and ELA \"" + given["ELA"] +
              "\" must be numbers 0..255";
        return std::nullopt;
    }
    a.port = static_cast<int32_t>(port);
    a.pla = static_cast<int16_t>(pla);
    a.ela = static_cast<int16_t>(ela);
    a.path = given["PATH"];
    a.cname = given["CNAME"];
    a.dpac = given["DPAC"];
    if (a.path.empty() || a.cname.empty() || a.dpac.empty()) {
        why = "PATH, CNAME and DPAC must not be empty";
        return std::nullopt;
    }
    return a;
}

}  // namespace settingstool
