#pragma once
// What a controller keeps instead of its network password: a salt, the cost of the password
// hash (Argon2id) and the key the hash gives. The host derives the same key from the password
// it holds and the salt and cost the controller names in its hello.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/secure/Sodium.h"
#include "platform/wire/SecurePayloads.h"

namespace secure {

struct HashCost {
    uint32_t opsLimit = 0;     // passes over the memory
    uint32_t memLimitKiB = 0;  // memory the hash needs
    bool operator==(const HashCost&) const = default;
};

// Cheap enough for tests and the benchmark: what the simulator uses.
constexpr HashCost kSimulatorCost{1, 64};
// What a real controller should use (Argon2id's interactive setting).
constexpr HashCost kControllerCost{2, 64 * 1024};

// The host accepts 1..10 passes and 8 KiB..256 MiB, so that an impostor cannot make it hash
// for ever or exhaust its memory.
bool isAcceptableCost(HashCost cost);

struct Verifier {
    wire::Salt salt{};
    HashCost cost;
    Key key{};
    bool operator==(const Verifier&) const = default;
};

// Nothing when the cost is not acceptable or the hash fails (out of memory).
std::optional<Key> passwordKey(std::string_view password, const wire::Salt& salt, HashCost cost);
// A fresh random salt.
std::optional<Verifier> makeVerifier(std::string_view password, HashCost cost);

// One line of text for the simulator's state file: "salt ops memKiB key" (hex), and back.
std::string verifierText(const Verifier& verifier);
std::optional<Verifier> parseVerifier(std::string_view text);

}  // namespace secure
