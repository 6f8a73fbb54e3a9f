#include "catalogue/LibraryText.h"

#include <cstring>
#include <vector>

#include "platform/text/Text.h"

namespace catalogue {

std::string TextFromPointer(kvxglib::Library& glib, const char* text) {
    if (text == nullptr) return {};
    const size_t n = std::strlen(text);
    if (n == 0) return {};
    std::vector<char> buffer(n);
    int32_t copied = glib.CopyText(buffer.data(), text, static_cast<int32_t>(n));
    if (copied < 0) copied = 0;
    if (static_cast<size_t>(copied) > n) copied = static_cast<int32_t>(n);
    std::string bytes(buffer.data(), static_cast<size_t>(copied));
    if (n == 1 && bytes == "\x85") return "\u2026";
    return text::fromEightBit(bytes);
}

}  // namespace catalogue
