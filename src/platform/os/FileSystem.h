#pragma once
// The file-system services the program uses beside the general library: folder listings and
// the process's current folder.
#include <string>
#include <vector>

namespace os {

class FileSystem {
public:
    virtual ~FileSystem() = default;
    // Names of the files (not folders) matching `pattern` ("folder\*.*", "folder\*.mdd"), in
    // case-insensitive name order; empty when the folder cannot be listed.
    virtual std::vector<std::string> listFiles(const std::string& pattern) = 0;
    virtual std::string currentDirectory() = 0;
    // False when the folder cannot become current.
    virtual bool changeDirectory(const std::string& folder) = 0;
};

class RealFileSystem final : public FileSystem {
public:
    std::vector<std::string> listFiles(const std::string& pattern) override;
    std::string currentDirectory() override;
    bool changeDirectory(const std::string& folder) override;
};

}  // namespace os
