#pragma once
// The sectioned-file reader and the one-key writer, driven by one input: the body of their
// fuzz target, shared with the test that replays its seed corpus.
#include <cstdint>
#include <span>
#include <string>

namespace sectionedfuzz {

// Reads `bytes` as a sectioned file. Whatever reads is written back key by key, with its own
// value, with a new value, as a new key and as a new section; each written text must read back
// as the file with just that change. False (with the reason in `failure`) when one does not.
bool exerciseSectionedFile(std::span<const uint8_t> bytes, std::string& failure);

}  // namespace sectionedfuzz
