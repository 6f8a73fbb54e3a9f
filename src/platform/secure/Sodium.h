#pragma once
// Small helpers over libsodium shared by the pieces of this folder.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

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

// A password held in memory only; wiped when it goes.
class Secret {
  public:
    Secret() = default;
    explicit Secret(std::string text) : text_(std::move(text)) {}
    Secret(const Secret&) = delete;
    Secret& operator=(const Secret&) = delete;
    ~Secret() { wipe(text_.data(), text_.size()); }
    const std::string& text() const { return text_; }

  private:
    std::string text_;
};

}  // namespace secure
