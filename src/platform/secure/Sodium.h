#pragma once
// Small helpers over libsodium shared by the pieces of this folder.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
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
// kept out of swap where the system allows), wiped and freed when its last holder goes.
// Copies share that one buffer and never duplicate the text, so that the program, the finder
// and every link proving the password hold one copy between them. The text never changes;
// a new password is a new Secret.
class Secret {
  public:
    Secret() = default;
    // Copies `text` in; the caller wipes its own copy (see takeSecret).
    explicit Secret(std::string_view text);
    std::string_view text() const;
    bool empty() const { return text().empty(); }
    // How many Secrets share this buffer (0 for an empty one made by default).
    long holders() const { return buffer_.use_count(); }

  private:
    struct Buffer;
    std::shared_ptr<const Buffer> buffer_;
};

// Moves `text` into a Secret and wipes the string it came in.
Secret takeSecret(std::string& text);

}  // namespace secure
