#include "platform/image/ImageFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/wire/Bytes.h"
#include "platform/wire/Crc32.h"

namespace image {
namespace {

constexpr char kMagic[8] = {'K', 'R', 'V', 'I', 'M', 'A', 'G', 'E'};
constexpr uint16_t kUnsigned = 1, kSigned = 2;
constexpr std::size_t kMaxText = 255;

constexpr char kUnknownKind[] = "the image file holds an unknown kind of image";

bool isKind(uint8_t value) { return value >= 1 && value <= 4; }

// The head's fields; whether the kind is one we know is left to the caller, which checks
// the checksums first when it has the whole file.
struct RawHead {
    std::optional<Head> head;
    std::string error;
    std::size_t size = 0;
    bool kindKnown = false;
};

RawHead readHead(std::span<const uint8_t> bytes) {
    if (bytes.size() < sizeof kMagic || std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0)
        return {std::nullopt, "not an image file"};
    wire::ByteReader r(bytes.subspan(sizeof kMagic));
    Head head;
    head.format = r.u16();
    if (!r.failed() && head.format != kUnsigned && head.format != kSigned)
        return {std::nullopt, "image format " + std::to_string(head.format) + " is not supported"};
    const uint8_t kind = r.u8();
    const uint8_t reserved = r.u8();
    head.model = r.u16();
    head.version = {r.u16(), r.u16(), r.u16(), r.u16()};
    head.name = r.text(r.u8());
    head.versionText = r.text(r.u8());
    head.payloadSize = r.u32();
    if (r.failed()) return {std::nullopt, "the image file is truncated"};
    head.kind = static_cast<Kind>(kind);
    const bool known = isKind(kind) && reserved == 0;
    return {std::move(head), {}, bytes.size() - r.remaining(), known};
}

std::string systemError(const std::string& what, const std::string& path) {
    return what + " " + path + ": " + std::strerror(errno);
}

bool writeAll(int fd, const std::vector<uint8_t>& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

const char* kindName(Kind kind) {
    switch (kind) {
        case Kind::Application:
            return "application";
        case Kind::OperatingSystem:
            return "operating system";
        case Kind::PortOs:
            return "TCP/IP port operating system";
        case Kind::WebSite:
            return "web site";
    }
    return "unknown";
}

uint32_t Image::payloadChecksum() const { return wire::crc32(payload); }

std::vector<uint8_t> encodeHead(const Image& image, uint16_t format) {
    std::vector<uint8_t> out(std::begin(kMagic), std::end(kMagic));
    wire::ByteWriter w(out);
    w.u16(format);
    w.u8(static_cast<uint8_t>(image.kind));
    w.u8(0);
    w.u16(image.model);
    for (uint16_t v : {image.version.major, image.version.minor, image.version.branch,
                       image.version.revision})
        w.u16(v);
    w.u8(static_cast<uint8_t>(image.name.size()));
    w.text(image.name);
    w.u8(static_cast<uint8_t>(image.versionText.size()));
    w.text(image.versionText);
    w.u32(static_cast<uint32_t>(image.payload.size()));
    return out;
}

HeadReading parseHead(std::span<const uint8_t> bytes) {
    RawHead reading = readHead(bytes);
    if (reading.head && !reading.kindKnown) return {std::nullopt, kUnknownKind};
    return {std::move(reading.head), std::move(reading.error), reading.size};
}

std::optional<std::vector<uint8_t>> serializeImage(const Image& image) {
    if (image.name.size() > kMaxText || image.versionText.size() > kMaxText ||
        image.payload.size() > kMaxImageFile ||
        (!image.signature.empty() && image.signature.size() != kSignatureSize))
        return std::nullopt;
    std::vector<uint8_t> out = encodeHead(image, image.signature.empty() ? kUnsigned : kSigned);
    wire::ByteWriter w(out);
    w.bytes(image.payload);
    w.u32(image.payloadChecksum());
    w.bytes(image.signature);
    w.u32(wire::crc32(out));
    return out;
}

Parsed parseImage(std::span<const uint8_t> bytes) {
    RawHead head = readHead(bytes);
    if (!head.head) return {std::nullopt, head.error};
    wire::ByteReader r(bytes.subspan(head.size));
    const uint32_t size = head.head->payloadSize;
    if (size > r.remaining()) return {std::nullopt, "the image file is truncated"};
    auto payload = r.bytes(size);
    const uint32_t payloadCrc = r.u32();
    auto signature = r.bytes(head.head->format == kSigned ? kSignatureSize : 0);
    const std::size_t covered = bytes.size() - r.remaining();
    const uint32_t fileCrc = r.u32();
    if (r.failed()) return {std::nullopt, "the image file is truncated"};
    if (!r.atEnd()) return {std::nullopt, "the image file has bytes after its end"};
    if (wire::crc32(bytes.first(covered)) != fileCrc || wire::crc32(payload) != payloadCrc)
        return {std::nullopt, "the image file is damaged (checksum mismatch)"};
    // Checked after the checksums: a damaged kind byte is reported as damage.
    if (!head.kindKnown) return {std::nullopt, kUnknownKind};
    Image image;
    image.kind = head.head->kind;
    image.model = head.head->model;
    image.version = head.head->version;
    image.name = std::move(head.head->name);
    image.versionText = std::move(head.head->versionText);
    image.payload.assign(payload.begin(), payload.end());
    image.signature.assign(signature.begin(), signature.end());
    return {std::move(image), {}};
}

Parsed readImageFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return {std::nullopt, systemError("cannot open", path)};
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return {std::nullopt, path + " is not a file"};
    }
    if (static_cast<uint64_t>(st.st_size) > kMaxImageFile + 4096) {
        ::close(fd);
        return {std::nullopt, path + " is too large for an image file"};
    }
    std::vector<uint8_t> bytes(static_cast<std::size_t>(st.st_size));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            Parsed failed{std::nullopt, systemError("cannot read", path)};
            ::close(fd);
            return failed;
        }
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
    bytes.resize(done);
    Parsed parsed = parseImage(bytes);
    if (!parsed.image) parsed.error = path + ": " + parsed.error;
    return parsed;
}

bool writeImageFile(const std::string& path, const Image& image, std::string& why) {
    auto bytes = serializeImage(image);
    if (!bytes) {
        why = "the image's name or version text is longer than 255 bytes, or its signature is "
              "not 64 bytes";
        return false;
    }
    // A fresh name of our own: a link or file planted at a fixed name is never followed.
    std::string temporary = path + ".XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        why = systemError("cannot create", temporary);
        return false;
    }
    const bool written = ::fchmod(fd, 0644) == 0 && writeAll(fd, *bytes) && ::fsync(fd) == 0;
    if (!written) why = systemError("cannot write", temporary);
    if (::close(fd) != 0 && written) {
        why = systemError("cannot write", temporary);
        ::unlink(temporary.c_str());
        return false;
    }
    if (!written) {
        ::unlink(temporary.c_str());
        return false;
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        why = systemError("cannot replace", path);
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace image
