#pragma once
// A fresh folder under the system's temporary folder, removed with everything in it.
#include <string>

namespace testsupport {

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }
    // `path()` + "/" + relative.
    std::string operator/(const std::string& relative) const;

    void write(const std::string& relative, const std::string& content) const;
    std::string read(const std::string& relative) const;
    // Copies the repository's demo installation here and returns the machine folder.
    std::string copyDemo() const;

private:
    std::string path_;
};

// The repository's top folder, from the environment ctest sets.
std::string sourceDir();

}  // namespace testsupport
