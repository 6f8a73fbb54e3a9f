#pragma once
// Pure text operations on program paths. Both `\` and `/` separate names; the program keeps
// its backslash paths while resolved folders of this system use `/`, so a path may mix them.
#include <string>

namespace kvxglib {

inline bool isSeparator(char c) { return c == '\\' || c == '/'; }

// `name` joined below `folder`. The separator follows the folder: a folder written with `/`
// anywhere gives a result written with `/` throughout; a folder written only with
// backslashes keeps the backslash style; a folder without separators gets `/`. An absolute
// name (leading `/`, two leading backslashes, an alias token) is returned unchanged; one
// leading backslash is dropped.
std::string joinPath(const std::string& name, const std::string& folder);

// The folder that holds the last name of `path` ("a\b\c" -> "a\b", "a/b/" -> "a"); a root
// keeps its separator ("/x" -> "/"); a bare name has no folder ("").
std::string parentFolder(const std::string& path);

// The last name of `path`, trailing separators ignored ("a\b\" -> "b").
std::string lastPathName(const std::string& path);

// True when `path` holds no separator at all (a bare file name).
bool isBareName(const std::string& path);

}  // namespace kvxglib
