#include "platform/kvxglib/NamesTable.h"

#include <array>
#include <utility>

namespace kvxglib {
namespace {

constexpr std::array<std::pair<const char*, const char*>, 4> kModels = {{
    {"200", "KVX200"},
    {"210", "KVX210"},
    {"300", "KVX300C"},
    {"310", "KVX310C"},
}};

}  // namespace

std::string modelNameFor(const std::string& decimalCode) {
    for (const auto& [code, name] : kModels)
        if (decimalCode == code) return name;
    return decimalCode;
}

}  // namespace kvxglib
