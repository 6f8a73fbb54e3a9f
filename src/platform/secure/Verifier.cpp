#include "platform/secure/Verifier.h"

#include <sodium.h>

#include <sstream>

namespace secure {
namespace {

constexpr uint32_t kMaxOps = 10;
constexpr uint32_t kMinMemKiB = 8;
constexpr uint32_t kMaxMemKiB = 256 * 1024;

std::string hex(const uint8_t* data, std::size_t size) {
    std::string out(size * 2 + 1, '\0');
    sodium_bin2hex(out.data(), out.size(), data, size);
    out.pop_back();
    return out;
}

template <std::size_t N>
bool unhex(const std::string& text, std::array<uint8_t, N>& out) {
    std::size_t length = 0;
    return text.size() == 2 * N &&
           sodium_hex2bin(out.data(), N, text.data(), text.size(), nullptr, &length, nullptr) ==
               0 &&
           length == N;
}

}  // namespace

bool isAcceptableCost(HashCost cost) {
    return cost.opsLimit >= 1 && cost.opsLimit <= kMaxOps && cost.memLimitKiB >= kMinMemKiB &&
           cost.memLimitKiB <= kMaxMemKiB;
}

std::optional<Key> passwordKey(std::string_view password, const wire::Salt& salt, HashCost cost) {
    static_assert(wire::kSaltSize == crypto_pwhash_SALTBYTES);
    if (!isAcceptableCost(cost)) return std::nullopt;
    ensureSodium();
    Key key{};
    if (crypto_pwhash(key.data(), key.size(), password.data(), password.size(), salt.data(),
                      cost.opsLimit, static_cast<std::size_t>(cost.memLimitKiB) * 1024,
                      crypto_pwhash_ALG_ARGON2ID13) != 0)
        return std::nullopt;
    return key;
}

std::optional<Verifier> makeVerifier(std::string_view password, HashCost cost) {
    Verifier v;
    v.salt = randomArray<wire::kSaltSize>();
    v.cost = cost;
    auto key = passwordKey(password, v.salt, cost);
    if (!key) return std::nullopt;
    v.key = *key;
    return v;
}

std::string verifierText(const Verifier& v) {
    return hex(v.salt.data(), v.salt.size()) + " " + std::to_string(v.cost.opsLimit) + " " +
           std::to_string(v.cost.memLimitKiB) + " " + hex(v.key.data(), v.key.size());
}

std::optional<Verifier> parseVerifier(std::string_view text) {
    std::istringstream in{std::string(text)};
    std::string salt, key, extra;
    Verifier v;
    if (!(in >> salt >> v.cost.opsLimit >> v.cost.memLimitKiB >> key) || (in >> extra) ||
        !unhex(salt, v.salt) || !unhex(key, v.key) || !isAcceptableCost(v.cost))
        return std::nullopt;
    return v;
}

}  // namespace secure
