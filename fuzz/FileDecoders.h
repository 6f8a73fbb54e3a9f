#pragma once
// The readers of kvxsim's network file, the job file, the settings file and the site plan, each
// driven by one input: the bodies of their fuzz targets, shared with the tests that replay their
// seed corpora.
// Each is false (with the reason in `failure`) when the reader breaks its promise.
#include <cstdint>
#include <span>
#include <string>

namespace filefuzz {

// Every mistake says where it is ("FILE:LINE: message"); a file that reads the same twice.
bool exerciseNetworkFile(std::span<const uint8_t> bytes, std::string& failure);
// Every mistake says where it is; a usable file's steps are complete.
bool exerciseJobFile(std::span<const uint8_t> bytes, std::string& failure);
// A refusal says why; whatever reads is written again and reads back as the same values.
bool exerciseSettingsFile(std::span<const uint8_t> bytes, std::string& failure);
// Every problem and every row names a line the text has; a row that reads names its controller,
// model and revision.
bool exercisePlanFile(std::span<const uint8_t> bytes, std::string& failure);

}  // namespace filefuzz
