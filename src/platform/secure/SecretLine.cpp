#include "platform/secure/SecretLine.h"

#include <array>
#include <string_view>

namespace secure {

std::optional<Secret> readSecretLine(std::istream& in) {
    // Longer than any password may be; what goes beyond is read and dropped.
    std::array<char, 1024> buffer{};
    std::size_t size = 0;
    bool any = false;
    for (int c = in.get(); c != std::char_traits<char>::eof(); c = in.get()) {
        any = true;
        if (c == '\n') break;
        if (size < buffer.size()) buffer[size++] = static_cast<char>(c);
    }
    if (size > 0 && buffer[size - 1] == '\r') --size;
    std::optional<Secret> line;
    if (any) line.emplace(std::string_view(buffer.data(), size));
    wipe(buffer.data(), buffer.size());
    return line;
}

}  // namespace secure
