#pragma once
// The settings file: a controller's values under their variable names, with the package and
// module they belong to and a CRC-32 over everything above the check, so that a damaged or
// cut-short file is recognised before anything of it reaches a controller. Format in
// docs/settings-file.md.
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "link/VarValue.h"

namespace settingstool {

struct SettingsData {
    std::string package;
    std::string module;
    std::vector<std::pair<std::string, clink::VarValue>> values;
};

std::string formatSettings(const SettingsData& data);
// Nothing, with the reason (naming the line), when the text is not a whole, unchanged file.
std::optional<SettingsData> parseSettings(const std::string& text, std::string& why);

}  // namespace settingstool
