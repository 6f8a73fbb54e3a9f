#pragma once
// The catalogue's model-file and programs-file readers, driven by one input through the
// general library on a real file: the bodies of their fuzz targets, shared with the test
// that replays their seed corpora.
#include <cstdint>
#include <span>
#include <string>

namespace cataloguefuzz {

// Reads `bytes` as a model file. A file that reads must give one model whose fields are the
// values of its "ASM Model" section, up to the first key the reader does not know, which alone
// is named in an error message. False (with the reason in `failure`) when it does not.
bool exerciseModelFile(std::span<const uint8_t> bytes, std::string& failure);

// Reads `bytes` as a programs file: one program per "Program" section with that section's
// values, up to the first other section or unknown key, which alone is named in a message.
bool exerciseProgramsFile(std::span<const uint8_t> bytes, std::string& failure);

// Whether `bytes` read as a model or programs file without a message (a model file: and gave
// its model).
bool modelFileReads(std::span<const uint8_t> bytes);
bool programsFileReads(std::span<const uint8_t> bytes);

}  // namespace cataloguefuzz
