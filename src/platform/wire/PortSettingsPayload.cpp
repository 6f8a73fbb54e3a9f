#include "platform/wire/PortSettingsPayload.h"

#include "platform/wire/Bytes.h"

namespace wire {

Result<std::vector<uint8_t>> encodePayload(const PortSettings& settings) {
    if (settings.fields.size() > 255) return Error::BadValue;
    std::vector<uint8_t> out;
    ByteWriter w(out);
    w.u8(static_cast<uint8_t>(settings.fields.size()));
    for (const auto& [code, text] : settings.fields) {
        if (code == 0 || text.size() > 255) return Error::BadValue;
        w.u8(code);
        w.u8(static_cast<uint8_t>(text.size()));
        w.text(text);
    }
    return out;
}

Result<PortSettings> decodePortSettings(std::span<const uint8_t> payload) {
    ByteReader r(payload);
    PortSettings settings;
    const uint8_t count = r.u8();
    for (uint8_t i = 0; i < count && !r.failed(); ++i) {
        const uint8_t code = r.u8();
        std::string text = r.text(r.u8());
        if (code == 0 && !r.failed()) return Error::BadValue;
        settings.fields.emplace_back(code, std::move(text));
    }
    if (r.failed()) return Error::Truncated;
    if (!r.atEnd()) return Error::WrongLength;
    return settings;
}

}  // namespace wire
