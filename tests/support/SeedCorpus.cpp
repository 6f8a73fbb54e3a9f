#include "support/SeedCorpus.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include "support/TempFolder.h"

namespace testsupport {

std::vector<SeedFile> seedCorpus(const std::string& corpus) {
    namespace fs = std::filesystem;
    std::vector<SeedFile> files;
    const fs::path folder = fs::path(sourceDir()) / "fuzz" / "corpus" / corpus;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (!entry.is_regular_file()) continue;  // found/: what the long fuzz runs grew
        SeedFile file;
        file.name = entry.path().stem().string();
        const auto dash = file.name.find('-');
        file.kind = file.name.substr(0, dash);
        if (dash != std::string::npos)
            file.verdict = file.name.substr(dash + 1, file.name.find('-', dash + 1) - dash - 1);
        std::ifstream in(entry.path(), std::ios::binary);
        file.bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        files.push_back(std::move(file));
    }
    return files;
}

}  // namespace testsupport
