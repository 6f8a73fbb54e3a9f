#include "platform/secure/Sodium.h"

#include <sodium.h>

#include <stdexcept>

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

}  // namespace secure
