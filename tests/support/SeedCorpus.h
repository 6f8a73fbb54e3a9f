#pragma once
// The fuzzers' seed corpora, for the tests that replay them. Each file is named
// <kind>-<verdict>-<what>.bin: what it is and what its decoder must make of it.
#include <cstdint>
#include <span>
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

// A fuzz target's check of one input (false with `failure` set) and whether its reader takes it.
struct SeedReplay {
    const char* corpus;
    bool (*exercise)(std::span<const uint8_t>, std::string& failure);
    bool (*reads)(std::span<const uint8_t>);
};

// Replays at least ten seeds of the corpus: each passes its fuzz target's check, and the
// reader takes exactly those named "ok".
void replaySeedCorpus(const SeedReplay& replay);

}  // namespace testsupport
