#pragma once
// The contents of the module files that record a module's controller address: the fixed
// records of Modules.Dir and the address line of Exists.Mod.
#include <cstddef>
#include <cstdint>
#include <string>

namespace clink {

inline constexpr int32_t kModulesDirRecordLength = 74;
// Record 2 holds the module name after its three address bytes.
inline constexpr std::size_t kModulesDirNameLength = kModulesDirRecordLength - 3;

// True when the module name, in code page 850, fits record 2 of Modules.Dir whole.
bool ModuleNameFitsModulesDir(const std::string& moduleName);

// Record 1 (file header), 2 (the module: 1, PLA, ELA, its name in code page 850) and 3 (zeros).
std::string ModulesDirRecord(int record, int16_t pla, int16_t ela, const std::string& moduleName);

// PLA padded with spaces to 15 characters, then ELA: "12" + 13 spaces + "3".
std::string ExistsModAddressLine(int16_t pla, int16_t ela);

// `content` with line 2 replaced by the address line; every other line as it was. Each line
// keeps its own line end (LF, CR LF or CR); a last line without one gets the file's first.
std::string ExistsModWithAddress(const std::string& content, int16_t pla, int16_t ela);

}  // namespace clink
