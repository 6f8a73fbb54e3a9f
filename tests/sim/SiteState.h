#pragma once
// What site tests ask of kvxsim: a network file section for a KVXreal C controller with an old
// program in partition 16 and an empty partition 32, and what kvxsim saved for one controller.
#include <map>
#include <string>

namespace simtest {

// `model` as kvxsim's Model key ("300", "200"); `extra` is added to the controller's section.
std::string kvxrealCController(const std::string& id, const std::string& serial, int number,
                               const std::string& model, const std::string& extra = "");

struct SavedController {
    int activePartition = 0;
    std::string version;                 // "major.minor-branch-number"
    std::map<int, long long> checksums;  // partition -> stored image checksum
    std::string address;                 // "PLA:ELA"
};

// From the state file kvxsim saved (`--state` folder, "<id>.state").
SavedController readSavedController(const std::string& stateFile);

// As the report writes a checksum: "0x%08x".
std::string checksumText(long long value);

}  // namespace simtest
