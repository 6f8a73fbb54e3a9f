#pragma once
// The fuzzers' seed corpora, for the tests that replay them. Each file is named
// <kind>-<verdict>-<what>.bin: what it is and what its decoder must make of it.
#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

struct SeedFile {
    std::string name;  // without the extension
    std::string kind;
    std::string verdict;
    std::vector<uint8_t> bytes;
};

// Every file of fuzz/corpus/<corpus> in the source tree.
std::vector<SeedFile> seedCorpus(const std::string& corpus);

}  // namespace testsupport
