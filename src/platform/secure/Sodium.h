#pragma once
// Small helpers over libsodium shared by the pieces of this folder.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace secure {

constexpr std::size_t kKeySize = 32;
using Key = std::array<uint8_t, kKeySize>;

// Initialises libsodium once; throws std::runtime_error when it cannot (no usable randomness).
void ensureSodium();
void randomFill(uint8_t* data, std::size_t size);
template <std::size_t N>
std::array<uint8_t, N> randomArray() {
    std::array<uint8_t, N> a{};
    randomFill(a.data(), N);
    return a;
}
// Constant-time comparison.
bool sameBytes(const uint8_t* a, const uint8_t* b, std::size_t size);
void wipe(void* data, std::size_t size);

// A password or key held in memory only: in memory of its own (sodium_malloc: guard pages,
// kept out of swap where the system allows), wiped and freed when it goes. Move-only, so that
// there is one copy.
class Secret {
  public:
    Secret() = default;
    // Copies `text` in; the caller wipes its own copy (see takeSecret).
    explicit Secret(std::string_view text);
    Secret(Secret&& other) noexcept;
    Secret& operator=(Secret&& other) noexcept;
    Secret(const Secret&) = delete;
    Secret& operator=(const Secret&) = delete;
    ~Secret();
    std::string_view text() const { return {data_, size_}; }
    bool empty() const { return size_ == 0; }

  private:
    char* data_ = nullptr;
    std::size_t size_ = 0;
};

// Moves `text` into a Secret and wipes the string it came in.
Secret takeSecret(std::string& text);

}  // namespace secure
