#include "support/TempFolder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace testsupport {

TempFolder::TempFolder() {
    std::string pattern = (fs::temp_directory_path() / "krelvan-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot make a temp folder");
    path_ = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

std::string TempFolder::operator/(const std::string& relative) const {
    return path_ + "/" + relative;
}

void TempFolder::write(const std::string& relative, const std::string& content) const {
    const fs::path file = *this / relative;
    fs::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary);
    out << content;
    if (!out) throw std::runtime_error("cannot write " + file.string());
}

std::string TempFolder::read(const std::string& relative) const {
    std::ifstream in(*this / relative, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

std::string TempFolder::copyDemo() const {
    fs::copy(fs::path(sourceDir()) / "demo", path_ + "/demo", fs::copy_options::recursive);
    return path_ + "/demo/machine";
}

std::string sourceDir() {
    const char* dir = std::getenv("KRELVAN_SOURCE_DIR");
    return dir != nullptr ? dir : KRELVAN_SOURCE_DIR_DEFAULT;
}

}  // namespace testsupport
