#pragma once
// Program paths keep their backslashes and were written for a case-insensitive file system.
// These turn them into paths of this one.
#include <string>

namespace os {

// Backslashes become slashes and repeated separators collapse.
std::string normaliseSeparators(const std::string& path);

// A native path for `path`: each component that does not exist under its exact name is
// replaced by an entry of its folder with the same name ignoring letter case, when there is one.
std::string toNativePath(const std::string& path);

// ASCII letter case folded; names compare this way throughout.
std::string foldCase(const std::string& text);
bool equalsIgnoreCase(const std::string& a, const std::string& b);
bool lessIgnoreCase(const std::string& a, const std::string& b);

}  // namespace os
