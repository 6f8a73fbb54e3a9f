#pragma once
// The command line the program starts the settings tool with: PORT, PLA, ELA, PATH, CNAME and
// DPAC, each as NAME=value (the quotes are gone by the time the arguments arrive).
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace settingstool {

struct ToolArguments {
    int32_t port = 0;  // a link handle of the program that started us; 0: the serial link
    int16_t pla = 0;
    int16_t ela = 0;
    std::string path;   // folder of the module folder (the project)
    std::string cname;  // the module folder's name
    std::string dpac;   // the settings package
};

// Every one of the six must be there once, the numbers in range; nothing, with the reason,
// otherwise.
std::optional<ToolArguments> parseToolArguments(const std::vector<std::string>& arguments,
                                                std::string& why);

}  // namespace settingstool
