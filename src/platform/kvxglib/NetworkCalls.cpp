// The general library's calls for the TCP/IP controller lookup and the module lists.
#include <algorithm>
#include <cctype>

#include "platform/kvxglib/NamesTable.h"
#include "platform/kvxglib/RealLibrary.h"

namespace kvxglib {
namespace {

std::string serialKey(const std::string& serial) {
    std::string key = serial;
    while (!key.empty() && (key.back() == ' ' || key.back() == '\0')) key.pop_back();
    std::transform(key.begin(), key.end(), key.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return key;
}

}  // namespace

int32_t RealLibrary::SameSerialNumber(const std::string& a, const std::string& b) {
    const std::string ka = serialKey(a);
    return !ka.empty() && ka == serialKey(b) ? -1 : 0;
}

const char* RealLibrary::BooleanText(int16_t value) { return value != 0 ? "True" : "False"; }

const char* RealLibrary::ModelName(const std::string& decimalCode) {
    text_ = modelNameFor(decimalCode);
    return text_.c_str();
}

}  // namespace kvxglib

namespace kvxglib {

// The images a program loads are built with the catalogue, not by the library: there is no
// source to compile from here, and claiming a new image would be a pretence.
int32_t RealLibrary::CompileImageFile() { return 0; }

}  // namespace kvxglib
