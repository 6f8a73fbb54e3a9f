#include "sim/SiteState.h"

#include <cstdio>
#include <fstream>
#include <sstream>

namespace simtest {

std::string kvxrealCController(const std::string& id, const std::string& serial, int number,
                               const std::string& model, const std::string& extra) {
    return "[Controller " + id + "]\nSerial=" + serial + "\nName=Room " + std::to_string(number) +
           "\nModel=" + model + "\nKvxrealC=yes\nAddress=1:" + std::to_string(number) +
           "\nListen=127.0.0.1:0\nFlashSize=8388608\nActivePartition=16\nOsVersion=KVXreal C "
           "3.1\n" +
           extra + "\n[Partition " + id + " 16]\nName=Old\nType=2\nSize=4096\nMaxSize=2097152\n\n" +
           "[Partition " + id + " 32]\nName=UnnamedPartition\nType=2\nSize=0\nMaxSize=2097152\n\n";
}

namespace {

// Texts are saved in hex, "-" for an empty one.
std::string unhex(const std::string& digits) {
    std::string text;
    for (size_t i = 0; i + 1 < digits.size(); i += 2)
        text += static_cast<char>(std::stoi(digits.substr(i, 2), nullptr, 16));
    return text;
}

}  // namespace

SavedController readSavedController(const std::string& stateFile) {
    std::ifstream in(stateFile);
    SavedController s;
    std::map<int, std::string> versions;
    std::string line;
    int pla = 0;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string word;
        words >> word;
        if (word == "var") {
            std::string kind, type, file, index, length, readOnly, value;
            words >> kind >> type >> file >> index >> length >> readOnly >> value;
            if (file == "900" && index == "0") s.applicationChecksum = std::stoll(value);
            if (file != "241") continue;
            const int i = std::stoi(index);
            if (i == 61) s.osRevision = unhex(value);
            if (i == 62) s.applicationName = unhex(value);
            if (i == 88) s.activePartition = std::stoi(value);
            if (i >= 92 && i <= 95) versions[i] = value;
            if (i == 0) pla = std::stoi(value);
            if (i == 1) s.address = std::to_string(pla) + ":" + value;
        } else if (word == "number") {
            int partition = 0, attribute = 0;
            long long value = 0;
            words >> partition >> attribute >> value;
            if (attribute == 1000) s.checksums[partition] = value;
        }
    }
    s.version = versions[92] + "." + versions[93] + "-" + versions[94] + "-" + versions[95];
    return s;
}

std::string checksumText(long long value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08x", static_cast<unsigned>(value));
    return text;
}

}  // namespace simtest
