#include "linktool/SerialDevices.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace fs = std::filesystem;

namespace linktool {
namespace {

bool allDigits(const std::string& text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); });
}

// ttyS0, ttyUSB1, ttyACM2: a port family followed by its number.
bool isPortName(const std::string& name) {
    for (const char* family : {"ttyS", "ttyUSB", "ttyACM"}) {
        const std::string prefix = family;
        if (name.rfind(prefix, 0) == 0 && allDigits(name.substr(prefix.size()))) return true;
    }
    return false;
}

// Names compare with their trailing numbers as numbers: ttyS2 before ttyS10.
bool naturalLess(const std::string& a, const std::string& b) {
    const auto split = [](const std::string& s) {
        size_t digits = s.size();
        while (digits > 0 && std::isdigit(static_cast<unsigned char>(s[digits - 1]))) --digits;
        return std::pair{s.substr(0, digits), s.size() - digits};
    };
    const auto [stemA, lengthA] = split(a);
    const auto [stemB, lengthB] = split(b);
    if (stemA != stemB) return a < b;
    return lengthA != lengthB ? lengthA < lengthB : a < b;
}

}  // namespace

std::vector<std::string> listSerialDevices(const std::string& machineDir,
                                           const std::string& devices) {
    std::vector<std::string> found;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(devices, ec)) {
        if (isPortName(entry.path().filename().string())) found.push_back(entry.path().string());
    }
    for (const auto& entry : fs::directory_iterator(devices + "/pts", ec)) {
        if (allDigits(entry.path().filename().string())) found.push_back(entry.path().string());
    }
    for (const auto& entry : fs::directory_iterator(machineDir, ec)) {
        std::error_code statError;
        if (entry.is_symlink(statError) && fs::is_character_file(entry.path(), statError))
            found.push_back(entry.path().string());
    }
    std::sort(found.begin(), found.end(), naturalLess);
    return found;
}

}  // namespace linktool
