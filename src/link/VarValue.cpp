#include "link/VarValue.h"

#include <charconv>

namespace clink {
namespace {

template <typename Real>
std::string realText(Real value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

}  // namespace

std::string VarValueText(const VarValue& value) {
    struct Visitor {
        std::string operator()(std::monostate) const { return ""; }
        std::string operator()(bool b) const { return b ? "True" : "False"; }
        std::string operator()(int16_t v) const { return std::to_string(v); }
        std::string operator()(int32_t v) const { return std::to_string(v); }
        std::string operator()(float v) const { return realText(v); }
        std::string operator()(double v) const { return realText(v); }
        std::string operator()(const std::string& s) const { return s; }
    };
    return std::visit(Visitor{}, value);
}

}  // namespace clink
