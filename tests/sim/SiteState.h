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
    // An older controller's: the checksum of the application its last load stored (-1: none),
    // its application's name and its operating system's revision.
    long long applicationChecksum = -1;
    std::string applicationName;
    std::string osRevision;  // "MM.mm.bb.rrrr"
};

// From the state file kvxsim saved (`--state` folder, "<id>.state").
SavedController readSavedController(const std::string& stateFile);

// As the report writes a checksum: "0x%08x".
std::string checksumText(long long value);

}  // namespace simtest
