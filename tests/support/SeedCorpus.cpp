#include "support/SeedCorpus.h"

#include <gtest/gtest.h>

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

void replaySeedCorpus(const SeedReplay& replay) {
    SCOPED_TRACE(replay.corpus);
    std::size_t files = 0;
    for (const SeedFile& file : seedCorpus(replay.corpus)) {
        SCOPED_TRACE(file.name);
        std::string failure;
        EXPECT_TRUE(replay.exercise(file.bytes, failure)) << failure;
        EXPECT_EQ(file.kind, replay.corpus);
        ASSERT_TRUE(file.verdict == "ok" || file.verdict == "bad") << file.verdict;
        EXPECT_EQ(replay.reads(file.bytes), file.verdict == "ok");
        ++files;
    }
    EXPECT_GE(files, 10u) << replay.corpus;
}

}  // namespace testsupport
