#include "settingstool/SettingsFile.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <sstream>

namespace settingstool {
namespace {

constexpr const char* kHeader = "; Krelvan controller settings. Do not edit: the check below "
                                "covers every line above it.\n";

constexpr std::array<uint32_t, 256> makeCrcTable() {
    std::array<uint32_t, 256> table{};
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}
constexpr std::array<uint32_t, 256> kCrcTable = makeCrcTable();

uint32_t crc32(const std::string& bytes) {
    uint32_t c = 0xFFFFFFFFu;
    for (const unsigned char b : bytes) c = kCrcTable[(c ^ b) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

std::string hex(uint32_t value) {
    char buffer[9];
    std::snprintf(buffer, sizeof buffer, "%08X", value);
    return buffer;
}

// Texts may hold anything; a line break or backslash is written as an escape.
std::string escape(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (c == '\\') out += "\\\\";
        else if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else out += c;
    }
    return out;
}

std::optional<std::string> unescape(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (++i == text.size()) return std::nullopt;
        if (text[i] == '\\') out += '\\';
        else if (text[i] == 'n') out += '\n';
        else if (text[i] == 'r') out += '\r';
        else return std::nullopt;
    }
    return out;
}

template <typename Number>
std::string numberText(Number value) {
    char buffer[64];
    return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
}

template <typename Number>
std::optional<clink::VarValue> numberFrom(const std::string& text) {
    Number value{};
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    if (text.empty() || result.ec != std::errc() || result.ptr != end) return std::nullopt;
    return clink::VarValue(value);
}

std::string valueText(const clink::VarValue& value) {
    struct Visitor {
        std::string operator()(std::monostate) const { return "text:"; }
        std::string operator()(bool b) const { return std::string("i16:") + (b ? "-1" : "0"); }
        std::string operator()(int16_t v) const { return "i16:" + numberText(v); }
        std::string operator()(int32_t v) const { return "i32:" + numberText(v); }
        std::string operator()(float v) const { return "real:" + numberText(v); }
        std::string operator()(double v) const { return "real:" + numberText(static_cast<float>(v)); }
        std::string operator()(const std::string& s) const { return "text:" + escape(s); }
    };
    return std::visit(Visitor{}, value);
}

std::optional<clink::VarValue> valueFrom(const std::string& tagged) {
    const size_t colon = tagged.find(':');
    if (colon == std::string::npos) return std::nullopt;
    const std::string tag = tagged.substr(0, colon);
    const std::string text = tagged.substr(colon + 1);
    if (tag == "i16") return numberFrom<int16_t>(text);
    if (tag == "i32") return numberFrom<int32_t>(text);
    if (tag == "real") return numberFrom<float>(text);
    if (tag == "text") {
        const std::optional<std::string> plain = unescape(text);
        if (!plain) return std::nullopt;
        return clink::VarValue(*plain);
    }
    return std::nullopt;
}

}  // namespace

std::string formatSettings(const SettingsData& data) {
    std::ostringstream body;
    body << kHeader << "[Settings]\nPackage=" << escape(data.package)
         << "\nModule=" << escape(data.module) << "\nCount=" << data.values.size()
         << "\n[Values]\n";
    for (const auto& [name, value] : data.values) body << name << '=' << valueText(value) << '\n';
    const std::string covered = body.str();
    return covered + "[Check]\nCrc32=" + hex(crc32(covered)) + "\n";
}

std::optional<SettingsData> parseSettings(const std::string& text, std::string& why) {
    const std::string marker = "[Check]\nCrc32=";
    const size_t check = text.rfind(marker);
    if (check == std::string::npos || (check != 0 && text[check - 1] != '\n')) {
        why = "the file has no check at its end: it is cut short or not a settings file";
        return std::nullopt;
    }
    const std::string covered = text.substr(0, check);
    std::string stated = text.substr(check + marker.size());
    while (!stated.empty() && (stated.back() == '\n' || stated.back() == '\r')) stated.pop_back();
    if (stated != hex(crc32(covered))) {
        why = "the check does not match the contents: the file was changed or damaged";
        return std::nullopt;
    }

    SettingsData data;
    std::istringstream lines(covered);
    std::string line;
    std::string section;
    long count = -1;
    int number = 0;
    while (std::getline(lines, line)) {
        ++number;
        const std::string at = "line " + std::to_string(number) + ": ";
        if (line.empty() || line[0] == ';') continue;
        if (line.front() == '[') {
            section = line;
            continue;
        }
        const size_t equals = line.find('=');
        if (equals == std::string::npos || equals == 0) {
            why = at + "not NAME=VALUE";
            return std::nullopt;
        }
        const std::string key = line.substr(0, equals);
        const std::string rest = line.substr(equals + 1);
        if (section == "[Settings]") {
            const std::optional<std::string> plain = unescape(rest);
            if (!plain) {
                why = at + "a bad escape";
                return std::nullopt;
            }
            if (key == "Package") data.package = *plain;
            else if (key == "Module") data.module = *plain;
            else if (key == "Count") count = std::strtol(rest.c_str(), nullptr, 10);
        } else if (section == "[Values]") {
            const std::optional<clink::VarValue> value = valueFrom(rest);
            if (!value) {
                why = at + "the value of " + key + " is not i16:, i32:, real: or text: with a "
                      "value of that kind";
                return std::nullopt;
            }
            data.values.emplace_back(key, *value);
        } else {
            why = at + "outside the sections [Settings] and [Values]";
            return std::nullopt;
        }
    }
    if (count < 0 || static_cast<size_t>(count) != data.values.size()) {
        why = "the file announces " + std::to_string(count) + " values but holds " +
              std::to_string(data.values.size());
        return std::nullopt;
    }
    return data;
}

}  // namespace settingstool
