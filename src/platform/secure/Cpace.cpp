#include "platform/secure/Cpace.h"

#include <sodium.h>

#include "platform/secure/Sodium.h"

namespace secure::cpace {
namespace {

constexpr char kDsi[] = "CPaceRistretto255";
constexpr char kDsiIsk[] = "CPaceRistretto255_ISK";
constexpr std::size_t kSha512BlockSize = 128;

static_assert(kElementSize == crypto_core_ristretto255_BYTES);
static_assert(kScalarSize == crypto_core_ristretto255_SCALARBYTES);
static_assert(kIskSize == crypto_hash_sha512_BYTES);

Bytes text(const char* s) {
    return {reinterpret_cast<const uint8_t*>(s), std::char_traits<char>::length(s)};
}

void append(std::vector<uint8_t>& out, Bytes part) { out.insert(out.end(), part.begin(), part.end()); }

}  // namespace

std::vector<uint8_t> prependLen(Bytes data) {
    std::vector<uint8_t> out;
    std::size_t length = data.size();
    do {
        const auto low = static_cast<uint8_t>(length & 0x7F);
        length >>= 7;
        out.push_back(length == 0 ? low : static_cast<uint8_t>(low | 0x80));
    } while (length != 0);
    append(out, data);
    return out;
}

std::vector<uint8_t> lvCat(std::initializer_list<Bytes> parts) {
    std::vector<uint8_t> out;
    for (Bytes p : parts) append(out, prependLen(p));
    return out;
}

std::vector<uint8_t> generatorString(Bytes prs, Bytes ci, Bytes sid) {
    const std::size_t used = prependLen(text(kDsi)).size() + prependLen(prs).size() + 1;
    const std::vector<uint8_t> zpad(used < kSha512BlockSize ? kSha512BlockSize - used : 0, 0);
    return lvCat({text(kDsi), prs, zpad, ci, sid});
}

Element calculateGenerator(Bytes prs, Bytes ci, Bytes sid) {
    std::vector<uint8_t> genStr = generatorString(prs, ci, sid);
    uint8_t hash[crypto_hash_sha512_BYTES];
    crypto_hash_sha512(hash, genStr.data(), genStr.size());
    Element g{};
    crypto_core_ristretto255_from_hash(g.data(), hash);
    wipe(hash, sizeof hash);
    wipe(genStr.data(), genStr.size());
    return g;
}

Scalar sampleScalar() {
    ensureSodium();
    Scalar y{};
    crypto_core_ristretto255_scalar_random(y.data());
    return y;
}

std::optional<Element> scalarMult(const Scalar& y, const Element& g) {
    Element out{};
    if (crypto_scalarmult_ristretto255(out.data(), y.data(), g.data()) != 0) return std::nullopt;
    return out;
}

std::optional<Element> scalarMultVfy(const Scalar& y, const Element& x) {
    if (crypto_core_ristretto255_is_valid_point(x.data()) != 1) return std::nullopt;
    return scalarMult(y, x);
}

std::vector<uint8_t> transcriptIr(Bytes ya, Bytes adA, Bytes yb, Bytes adB) {
    std::vector<uint8_t> out = lvCat({ya, adA});
    append(out, lvCat({yb, adB}));
    return out;
}

Isk intermediateSessionKey(Bytes sid, const Element& k, Bytes ya, Bytes adA, Bytes yb,
                           Bytes adB) {
    std::vector<uint8_t> message = lvCat({text(kDsiIsk), sid, k});
    append(message, transcriptIr(ya, adA, yb, adB));
    Isk isk{};
    crypto_hash_sha512(isk.data(), message.data(), message.size());
    wipe(message.data(), message.size());
    return isk;
}

}  // namespace secure::cpace
