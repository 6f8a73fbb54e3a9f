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

Secret::Secret(std::string_view text) : size_(text.size()) {
    ensureSodium();
    data_ = static_cast<char*>(sodium_malloc(size_ == 0 ? 1 : size_));
    if (data_ == nullptr) throw std::bad_alloc();
    std::copy(text.begin(), text.end(), data_);
}

Secret::Secret(Secret&& other) noexcept : data_(other.data_), size_(other.size_) {
    other.data_ = nullptr;
    other.size_ = 0;
}

Secret& Secret::operator=(Secret&& other) noexcept {
    if (this != &other) {
        this->~Secret();
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
    }
    return *this;
}

Secret::~Secret() {
    // sodium_free wipes the memory before it lets it go.
    if (data_ != nullptr) sodium_free(data_);
    data_ = nullptr;
    size_ = 0;
}

Secret takeSecret(std::string& text) {
    Secret secret(text);
    wipe(text.data(), text.size());
    text.clear();
    return secret;
}

}  // namespace secure
