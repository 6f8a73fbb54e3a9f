#pragma once
// The image container: one file holding an image to load (an application, an operating
// system, a TCP/IP port operating system or a web site) with what the loader must know about
// it. The layout is in docs/image-format.md. Reading refuses damaged, truncated and foreign
// files with a reason a user can act on.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace image {

enum class Kind : uint8_t {
    Application = 1,
    OperatingSystem = 2,
    PortOs = 3,
    WebSite = 4,
};
const char* kindName(Kind kind);

struct Version {
    uint16_t major = 0;
    uint16_t minor = 0;
    uint16_t branch = 0;
    uint16_t revision = 0;
    bool operator==(const Version&) const = default;
};

struct Image {
    Kind kind = Kind::Application;
    uint16_t model = 0;  // the controller model it is built for; 0 = any
    std::string name;    // code page 850 bytes, at most 255
    std::string versionText;
    Version version;
    std::vector<uint8_t> payload;  // what travels to the controller
    // Ed25519 by the product's key over the signed part (ImageSignature.h); empty when the
    // file carries none.
    std::vector<uint8_t> signature;
    bool operator==(const Image&) const = default;

    // CRC-32 of the payload: what a transfer's commit names.
    uint32_t payloadChecksum() const;
};

// Files beyond this are refused before they are read.
constexpr std::size_t kMaxImageFile = 64u << 20;
constexpr std::size_t kSignatureSize = 64;

// The head of an image file: every field before the payload, as it lies in the file.
// Format 1 files carry no signature; format 2 files carry one after the payload checksum.
struct Head {
    uint16_t format = 1;
    Kind kind = Kind::Application;
    uint16_t model = 0;
    Version version;
    std::string name;
    std::string versionText;
    uint32_t payloadSize = 0;
};
std::vector<uint8_t> encodeHead(const Image& image, uint16_t format);
struct HeadReading {
    std::optional<Head> head;
    std::string error;
    std::size_t size = 0;  // bytes of the head
};
// The head at the start of `bytes`, which may go on with the payload.
HeadReading parseHead(std::span<const uint8_t> bytes);

struct Parsed {
    std::optional<Image> image;
    std::string error;  // why the bytes are not an image, when `image` is empty
};

Parsed parseImage(std::span<const uint8_t> bytes);
// Empty when a field does not fit the layout (a name or version text over 255 bytes, a
// signature that is not 64 bytes).
std::optional<std::vector<uint8_t>> serializeImage(const Image& image);

// The file at `path`; the error names the file.
Parsed readImageFile(const std::string& path);
// Written atomically (temporary file, flushed, renamed); false with `why` on failure.
bool writeImageFile(const std::string& path, const Image& image, std::string& why);

}  // namespace image
