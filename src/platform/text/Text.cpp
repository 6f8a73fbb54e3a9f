#include "platform/text/Text.h"

#include <iconv.h>

#include <array>
#include <cstdint>
#include <stdexcept>
#include <unordered_map>

namespace text {
namespace {

// Decodes one UTF-8 sequence at `pos`; returns false on a malformed one.
bool decodeUtf8(const std::string& s, size_t& pos, char32_t& cp) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char b0 = byte(pos);
    size_t length = b0 < 0x80 ? 1 : (b0 >> 5) == 6 ? 2 : (b0 >> 4) == 14 ? 3 : (b0 >> 3) == 30 ? 4 : 0;
    if (length == 0 || pos + length > s.size()) return false;
    cp = length == 1 ? b0 : length == 2 ? (b0 & 0x1F) : length == 3 ? (b0 & 0x0F) : (b0 & 0x07);
    for (size_t i = 1; i < length; ++i) {
        if ((byte(pos + i) & 0xC0) != 0x80) return false;
        cp = (cp << 6) | (byte(pos + i) & 0x3F);
    }
    static constexpr char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < smallest[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    pos += length;
    return true;
}

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// The upper half of code page 850, asked of iconv once.
struct Cp850 {
    std::array<char32_t, 256> toUnicode{};
    std::unordered_map<char32_t, unsigned char> fromUnicode;

    Cp850() {
        iconv_t cd = iconv_open("UTF-32LE", "CP850");
        if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv lacks CP850");
        for (int b = 0; b < 256; ++b) {
            char in = static_cast<char>(b);
            char32_t out = 0;
            char* inPtr = &in;
            size_t inLeft = 1;
            char* outPtr = reinterpret_cast<char*>(&out);
            size_t outLeft = sizeof out;
            toUnicode[static_cast<size_t>(b)] =
                iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1)
                    ? U'?'
                    : out;
            fromUnicode.emplace(toUnicode[static_cast<size_t>(b)], static_cast<unsigned char>(b));
        }
        iconv_close(cd);
    }
};

const Cp850& cp850() {
    static const Cp850 table;
    return table;
}

}  // namespace

std::string toOem(const std::string& utf8) {
    const Cp850& table = cp850();
    std::string out;
    out.reserve(utf8.size());
    for (size_t pos = 0; pos < utf8.size();) {
        char32_t cp = 0;
        if (!decodeUtf8(utf8, pos, cp)) {
            out += '?';
            ++pos;
            continue;
        }
        const auto it = table.fromUnicode.find(cp);
        out += it == table.fromUnicode.end() ? '?' : static_cast<char>(it->second);
    }
    return out;
}

std::string fromOem(const std::string& oem) {
    const Cp850& table = cp850();
    std::string out;
    out.reserve(oem.size());
    for (char c : oem) appendUtf8(out, table.toUnicode[static_cast<unsigned char>(c)]);
    return out;
}

std::u16string toWide(const std::string& utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    for (size_t pos = 0; pos < utf8.size();) {
        char32_t cp = 0;
        if (!decodeUtf8(utf8, pos, cp)) {
            cp = static_cast<unsigned char>(utf8[pos]);  // a stray byte is read as Latin-1
            ++pos;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
    }
    return out;
}

std::string fromWide(const std::u16string& wide) {
    std::string out;
    out.reserve(wide.size());
    for (size_t i = 0; i < wide.size(); ++i) {
        char32_t cp = wide[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 &&
            wide[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (wide[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        appendUtf8(out, cp);
    }
    return out;
}

bool isUtf8(const std::string& bytes) {
    for (size_t pos = 0; pos < bytes.size();) {
        char32_t cp = 0;
        if (!decodeUtf8(bytes, pos, cp)) return false;
    }
    return true;
}

std::string fromEightBit(const std::string& bytes) {
    if (isUtf8(bytes)) return bytes;
    std::string out;
    for (char c : bytes) appendUtf8(out, static_cast<unsigned char>(c));
    return out;
}

}  // namespace text
