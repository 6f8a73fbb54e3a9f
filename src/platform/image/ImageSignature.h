#pragma once
// The product's signature on an image: Ed25519 over the signed part of the file, the head
// (every field before the payload, with format 2) followed by the payload. A host sends, and
// a controller takes, only an image whose signature verifies against the product's public key,
// so an image altered anywhere between the maker and the controller is refused.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/image/ImageFile.h"

namespace image {

using PublicKey = std::array<uint8_t, 32>;
using SecretKey = std::array<uint8_t, 64>;

// What the signature covers: the format 2 head followed by `payload`.
bool verifySignature(std::span<const uint8_t> head, std::span<const uint8_t> payload,
                     std::span<const uint8_t> signature, const PublicKey& key);

// Empty when `image` carries a signature that verifies against `key`; else why not, for a
// message that goes on from the file's name ("... is not signed").
std::string signatureProblem(const Image& image, const PublicKey& key);

// Signs `image` in place (its fields and payload as they are now).
void signImage(Image& image, const SecretKey& key);

struct KeyPair {
    PublicKey publicKey{};
    SecretKey secretKey{};
};
KeyPair newKeyPair();

// A public key file holds the key as 64 hexadecimal digits on one line.
std::string keyText(const PublicKey& key);
struct KeyReading {
    std::optional<PublicKey> key;
    std::string error;  // names the file
};
KeyReading readPublicKeyFile(const std::string& path);

}  // namespace image
