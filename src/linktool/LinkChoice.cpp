#include "linktool/LinkChoice.h"

#include <filesystem>
#include <optional>

#include "platform/comm/LinkSettings.h"
#include "platform/comm/SerialPort.h"
#include "platform/kvxglib/AtomicFile.h"
#include "platform/kvxglib/SectionedFile.h"
#include "platform/kvxglib/SettingsEdit.h"

namespace linktool {

std::vector<uint32_t> baudRates() {
    std::vector<uint32_t> rates;
    for (uint32_t rate :
         {1200u, 2400u, 4800u, 9600u, 19200u, 38400u, 57600u, 115200u, 230400u, 460800u, 921600u}) {
        if (comm::isSupportedBaud(rate)) rates.push_back(rate);
    }
    return rates;
}

LinkChoice readLinkChoice(const std::string& settingsFile) {
    const auto file = kvxglib::SectionedFile::load(settingsFile);
    const comm::LinkSettings settings =
        comm::readLinkSettings([&file](const char* key) -> std::string {
            const std::string* value = file ? file->find(comm::kLinkSection, key) : nullptr;
            return value != nullptr ? *value : std::string();
        });
    return {settings.port, settings.baud};
}

bool writeLinkChoice(const std::string& settingsFile, const LinkChoice& choice, std::string& why) {
    if (!comm::isSupportedBaud(choice.baud)) {
        why = std::to_string(choice.baud) + " is not a baud rate of the serial link";
        return false;
    }
    if (choice.port.find_first_of("\r\n") != std::string::npos) {
        why = "a port name cannot hold a line break";
        return false;
    }
    std::string text;
    std::error_code ec;
    if (std::filesystem::exists(settingsFile, ec)) {
        const auto content = kvxglib::readWholeFile(settingsFile);
        if (!content) {
            why = "cannot read " + settingsFile;
            return false;
        }
        text = *content;
    }
    auto updated = kvxglib::setSettingInText(text, comm::kLinkSection, comm::kPortKey, choice.port);
    if (updated)
        updated = kvxglib::setSettingInText(*updated, comm::kLinkSection, comm::kBaudKey,
                                            std::to_string(choice.baud));
    if (!updated) {
        why = "cannot set Port=" + choice.port + " in " + settingsFile;
        return false;
    }
    return kvxglib::writeFileAtomicallyVia(settingsFile, settingsFile + ".linktool", *updated, why);
}

}  // namespace linktool
