#include "platform/secure/Sodium.h"

#include <sodium.h>

#include <algorithm>
#include <new>
#include <stdexcept>
#include <utility>

namespace secure {

void ensureSodium() {
    static const bool ready = sodium_init() >= 0;
    if (!ready) throw std::runtime_error("libsodium cannot be initialised");
}

void randomFill(uint8_t* data, std::size_t size) {
    ensureSodium();
    randombytes_buf(data, size);
}

bool sameBytes(const uint8_t* a, const uint8_t* b, std::size_t size) {
    return sodium_memcmp(a, b, size) == 0;
}

void wipe(void* data, std::size_t size) {
    if (size != 0) sodium_memzero(data, size);
}

struct Secret::Buffer {
    char* data = nullptr;
    std::size_t size = 0;
    Buffer() = default;
    Buffer(const Buffer&) = delete;
    Buffer& operator=(const Buffer&) = delete;
    // sodium_free wipes the memory before it lets it go.
    ~Buffer() {
        if (data != nullptr) sodium_free(data);
    }
};

Secret::Secret(std::string_view text) {
    ensureSodium();
    auto buffer = std::make_shared<Buffer>();
    buffer->data = static_cast<char*>(sodium_malloc(text.empty() ? 1 : text.size()));
    if (buffer->data == nullptr) throw std::bad_alloc();
    std::copy(text.begin(), text.end(), buffer->data);
    buffer->size = text.size();
    buffer_ = std::move(buffer);
}

std::string_view Secret::text() const {
    return buffer_ ? std::string_view(buffer_->data, buffer_->size) : std::string_view();
}

Secret takeSecret(std::string& text) {
    Secret secret(text);
    wipe(text.data(), text.size());
    text.clear();
    return secret;
}

}  // namespace secure
