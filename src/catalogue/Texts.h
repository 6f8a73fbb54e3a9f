#pragma once
// Numbered texts of the product's texts file, and the filling of their placeholders.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/kvxglib/Library.h"

namespace catalogue {

inline constexpr const char* kTextsFile = "Prod:\\Texts\\Krelvan WEB";

std::string GetText(kvxglib::Library& glib, int32_t number);

// `pairs` holds placeholder, value, placeholder, value...; an odd count leaves the template.
std::string ReplacePlaceholders(const std::string& textTemplate,
                                const std::vector<std::string>& pairs);

}  // namespace catalogue
