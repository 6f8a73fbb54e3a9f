#include "PortDecoders.h"

#include <algorithm>

#include "platform/wire/FrameCodec.h"
#include "platform/wire/PortField.h"
#include "platform/wire/PortSettingsPayload.h"

namespace portfuzz {
namespace {

bool checkFields(const wire::PortSettings& settings, std::string& failure) {
    for (const auto& [code, text] : settings.fields) {
        if (code == 0 || text.size() > 255) {
            failure = "a decoded field breaks the layout";
            return false;
        }
        const auto field = wire::portFieldFromCode(code);
        if (!field) continue;  // a newer port's field: carried, not understood
        const char* name = wire::portFieldName(*field);
        if (name == nullptr || wire::portFieldFromName(name) != field) {
            failure = "field " + std::to_string(code) + " does not name itself both ways";
            return false;
        }
    }
    return true;
}

bool checkPayload(std::span<const uint8_t> bytes, std::string& failure) {
    auto settings = wire::decodePortSettings(bytes);
    if (!settings) return true;
    if (!checkFields(*settings, failure)) return false;
    auto encoded = wire::encodePayload(*settings);
    if (encoded && std::equal(bytes.begin(), bytes.end(), encoded->begin(), encoded->end()))
        return true;
    failure = "port settings do not encode back to their bytes";
    return false;
}

}  // namespace

bool exercisePortDecoders(std::span<const uint8_t> bytes, std::string& failure) {
    if (!checkPayload(bytes, failure)) return false;
    auto frame = wire::decodeFrame(bytes);
    if (!frame || frame->command < wire::code(wire::PortCommand::ReadPortSettings) ||
        frame->command > wire::code(wire::PortCommand::EndSetup))
        return true;
    return checkPayload(frame->payload, failure);
}

}  // namespace portfuzz
