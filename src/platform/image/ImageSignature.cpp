#include "platform/image/ImageSignature.h"

#include <sodium.h>

#include <cctype>
#include <fstream>
#include <iterator>

#include "platform/secure/Sodium.h"

namespace image {
namespace {

std::vector<uint8_t> signedPart(const Image& image) {
    std::vector<uint8_t> message = encodeHead(image, 2);
    message.insert(message.end(), image.payload.begin(), image.payload.end());
    return message;
}

}  // namespace

bool verifySignature(std::span<const uint8_t> head, std::span<const uint8_t> payload,
                     std::span<const uint8_t> signature, const PublicKey& key) {
    if (signature.size() != crypto_sign_BYTES) return false;
    secure::ensureSodium();
    std::vector<uint8_t> message(head.begin(), head.end());
    message.insert(message.end(), payload.begin(), payload.end());
    return crypto_sign_verify_detached(signature.data(), message.data(), message.size(),
                                       key.data()) == 0;
}

std::string signatureProblem(const Image& image, const PublicKey& key) {
    if (image.signature.empty()) return "is not signed";
    if (!verifySignature(encodeHead(image, 2), image.payload, image.signature, key))
        return "does not carry the product's signature (it was altered or signed by another "
               "key)";
    return {};
}

void signImage(Image& image, const SecretKey& key) {
    secure::ensureSodium();
    const std::vector<uint8_t> message = signedPart(image);
    image.signature.assign(crypto_sign_BYTES, 0);
    crypto_sign_detached(image.signature.data(), nullptr, message.data(), message.size(),
                         key.data());
}

KeyPair newKeyPair() {
    secure::ensureSodium();
    KeyPair pair;
    crypto_sign_keypair(pair.publicKey.data(), pair.secretKey.data());
    return pair;
}

std::string keyText(const PublicKey& key) {
    std::string text(2 * key.size() + 1, '\0');
    sodium_bin2hex(text.data(), text.size(), key.data(), key.size());
    text.pop_back();
    return text;
}

KeyReading readPublicKeyFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {std::nullopt, "the product's image key " + path + " cannot be read"};
    // A key file is one short line; anything longer is not one.
    std::string text(256, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.pop_back();
    PublicKey key{};
    std::size_t length = 0;
    if (text.size() != 2 * key.size() ||
        sodium_hex2bin(key.data(), key.size(), text.data(), text.size(), nullptr, &length,
                       nullptr) != 0 ||
        length != key.size())
        return {std::nullopt, "the product's image key " + path + " is not a key (" +
                                  std::to_string(2 * key.size()) + " hexadecimal digits)"};
    return {key, {}};
}

}  // namespace image
