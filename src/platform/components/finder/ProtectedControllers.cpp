#include "platform/components/finder/ProtectedControllers.h"

#include <fstream>
#include <set>

#include "platform/kvxglib/AtomicFile.h"

namespace components {
namespace {

std::set<std::string> readSerials(const std::string& path) {
    std::set<std::string> serials;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) serials.insert(line);
    }
    return serials;
}

}  // namespace

ProtectedControllers::ProtectedControllers(std::string machineDir)
    : path_(std::move(machineDir) + "/ProtectedControllers.txt") {}

bool ProtectedControllers::has(const std::string& serial) const {
    return !serial.empty() && readSerials(path_).count(serial) > 0;
}

bool ProtectedControllers::remember(const std::string& serial) {
    auto serials = readSerials(path_);
    if (serial.empty() || serial.find('\n') != std::string::npos) return false;
    if (!serials.insert(serial).second) return true;
    std::string text;
    for (const auto& s : serials) text += s + "\n";
    return kvxglib::writeFileAtomically(path_, text);
}

}  // namespace components
