#pragma once
// Payloads of the image transfer (0x20..0x25): open a staged image, send its blocks, commit it
// with a checksum, abort it, or ask how far it got so that a broken transfer resumes; and read
// back the image an older controller runs, so that it can be put back.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/wire/Frame.h"
#include "platform/wire/Result.h"

namespace wire {

// What an image is loaded into.
enum class TransferTarget : uint8_t {
    Partition = 1,          // a program or web site into flash partition N
    OperatingSystem = 2,    // the controller's operating system; it restarts at commit
    LegacyApplication = 3,  // the application of a controller without partitions
    PortOs = 4,             // the TCP/IP port's operating system; `model` names the port type
    OptionImage = 5,        // reserved: an option image of the TCP/IP port
};
bool isTransferTarget(uint8_t value);
const char* transferTargetName(TransferTarget target);

// Block data per request: a whole request frame less the transfer id and offset.
constexpr std::size_t kMaxBlockData = 4090 - 8;
constexpr std::size_t kMaxTransferName = 255;

// How the blocks of a transfer may carry the image. The host asks for a method in the open; the
// controller grants it (or None) in its reply. Values the controller does not know it declines.
enum class Compression : uint8_t {
    None = 0,     // every block carries plain image bytes, with no form byte (as before)
    Deflate = 1,  // raw deflate (RFC 1951) that may refer back into the image staged before it
};
// The deflate window, as a power of two: the most a compressed block may refer back.
constexpr uint8_t kMinWindowLog = 9;
constexpr uint8_t kMaxWindowLog = 15;

struct TransferOpenRequest {
    TransferTarget target = TransferTarget::Partition;
    uint8_t partition = 0;  // for Partition; 0 otherwise
    uint32_t totalSize = 0;
    uint16_t model = 0;  // the image's controller model, 0 = any; the port type for PortOs
    std::string name;    // code page 850, at most 255 bytes
    // Asked for: a Compression value (kept raw, so a controller can decline one it does not
    // know) and its window log. Both 0, and left off the wire, for plain blocks.
    uint8_t compression = 0;
    uint8_t windowLog = 0;
    bool operator==(const TransferOpenRequest&) const = default;
};
struct TransferOpenReply {
    uint32_t transfer = 0;  // the id the other requests name
    uint16_t maxBlock = 0;  // largest block data the controller takes, 1..kMaxBlockData
    // Granted: None (left off the wire) or the method asked for, with a window log no larger
    // than the one asked for.
    Compression compression = Compression::None;
    uint8_t windowLog = 0;
    bool operator==(const TransferOpenReply&) const = default;
};

struct TransferBlockRequest {
    uint32_t transfer = 0;
    uint32_t offset = 0;
    std::vector<uint8_t> data;  // 1..kMaxBlockData bytes
    bool operator==(const TransferBlockRequest&) const = default;
};
// Cumulative acknowledgement: every byte below `received` is staged.
// The data of a block in a transfer opened with compression: a form byte, then plain image
// bytes, or the number of image bytes the block holds (u16) and its deflate stream.
enum class BlockForm : uint8_t { Plain = 0, Deflate = 1 };
struct BlockData {
    BlockForm form = BlockForm::Plain;
    uint16_t imageBytes = 0;     // Deflate: the image bytes it decodes to, 1..65535
    std::vector<uint8_t> bytes;  // the plain image bytes, or the deflate stream
    bool operator==(const BlockData&) const = default;
};
constexpr std::size_t kMaxBlockImageBytes = 65535;
// What a block of plain bytes holds at most, and a deflate stream, in a compressed transfer.
constexpr std::size_t kMaxPlainInCompressed = kMaxBlockData - 1;
constexpr std::size_t kMaxDeflateInBlock = kMaxBlockData - 3;
Result<std::vector<uint8_t>> encodeBlockData(const BlockData& data);
Result<BlockData> decodeBlockData(std::span<const uint8_t> data);
// Cumulative acknowledgement, in image bytes: every byte below `received` is staged.
struct TransferBlockReply {
    uint32_t received = 0;
    bool operator==(const TransferBlockReply&) const = default;
};

struct TransferCommitRequest {
    uint32_t transfer = 0;
    uint32_t checksum = 0;  // CRC-32 of the whole image
    // The image file's signed head and the product's signature over head and image; both
    // empty for an unsigned commit.
    std::vector<uint8_t> head = {};
    std::vector<uint8_t> signature = {};
    bool operator==(const TransferCommitRequest&) const = default;
};
struct TransferCommitReply {
    uint32_t storedChecksum = 0;  // CRC-32 of what the controller now holds
    bool operator==(const TransferCommitReply&) const = default;
};

struct TransferAbortRequest {
    uint32_t transfer = 0;
    bool operator==(const TransferAbortRequest&) const = default;
};

struct TransferStatusRequest {
    uint32_t transfer = 0;
    bool operator==(const TransferStatusRequest&) const = default;
};
enum class TransferState : uint8_t {
    Receiving = 0,  // staged, not committed
    Committed = 1,  // committed: `storedChecksum` is what the controller holds
};
struct TransferStatusReply {
    TransferState state = TransferState::Receiving;
    uint32_t received = 0;  // bytes staged without a gap from offset 0
    uint32_t totalSize = 0;
    uint32_t storedChecksum = 0;  // when Committed, else 0
    bool operator==(const TransferStatusReply&) const = default;
};

// 0x25: a piece of the image an older controller holds now (target 3 only). Stateless: each
// request names its offset, so a lost reply costs that piece alone. `length` 0 asks only what
// the controller holds.
enum class ReadPart : uint8_t {
    Image = 0,      // the application's bytes, as its commit stored them
    Signature = 1,  // u16 head size, the signed head, the 64-byte signature; empty if unsigned
};
struct TransferReadRequest {
    TransferTarget target = TransferTarget::LegacyApplication;
    ReadPart part = ReadPart::Image;
    uint32_t offset = 0;
    uint16_t length = 0;  // at most kMaxReadData
    bool operator==(const TransferReadRequest&) const = default;
};
enum class ApplicationState : uint8_t { None = 0, Stopped = 1, Running = 2 };
struct TransferReadReply {
    ApplicationState state = ApplicationState::None;
    uint32_t totalSize = 0;  // of the part
    uint32_t checksum = 0;   // CRC-32 of the whole part
    std::vector<uint8_t> data;  // from the offset; shorter at the end of the part
    bool operator==(const TransferReadReply&) const = default;
};
// A reply frame less the state, the size and the checksum.
constexpr std::size_t kMaxReadData = kMaxReplyPayload - 9;

constexpr std::size_t kMaxSignedHead = 1024;
constexpr std::size_t kCommitSignatureSize = 64;

// BadValue for a target, size or name the layout cannot hold.
Result<std::vector<uint8_t>> encodePayload(const TransferOpenRequest& request);
Result<std::vector<uint8_t>> encodePayload(const TransferOpenReply& reply);
Result<std::vector<uint8_t>> encodePayload(const TransferBlockRequest& request);
Result<std::vector<uint8_t>> encodePayload(const TransferBlockReply& reply);
Result<std::vector<uint8_t>> encodePayload(const TransferCommitRequest& request);
Result<std::vector<uint8_t>> encodePayload(const TransferCommitReply& reply);
Result<std::vector<uint8_t>> encodePayload(const TransferAbortRequest& request);
Result<std::vector<uint8_t>> encodePayload(const TransferStatusRequest& request);
Result<std::vector<uint8_t>> encodePayload(const TransferStatusReply& reply);
Result<std::vector<uint8_t>> encodePayload(const TransferReadRequest& request);
Result<std::vector<uint8_t>> encodePayload(const TransferReadReply& reply);

Result<TransferOpenRequest> decodeTransferOpenRequest(std::span<const uint8_t> payload);
Result<TransferOpenReply> decodeTransferOpenReply(std::span<const uint8_t> payload);
Result<TransferBlockRequest> decodeTransferBlockRequest(std::span<const uint8_t> payload);
Result<TransferBlockReply> decodeTransferBlockReply(std::span<const uint8_t> payload);
Result<TransferCommitRequest> decodeTransferCommitRequest(std::span<const uint8_t> payload);
Result<TransferCommitReply> decodeTransferCommitReply(std::span<const uint8_t> payload);
Result<TransferAbortRequest> decodeTransferAbortRequest(std::span<const uint8_t> payload);
Result<TransferStatusRequest> decodeTransferStatusRequest(std::span<const uint8_t> payload);
Result<TransferStatusReply> decodeTransferStatusReply(std::span<const uint8_t> payload);
Result<TransferReadRequest> decodeTransferReadRequest(std::span<const uint8_t> payload);
Result<TransferReadReply> decodeTransferReadReply(std::span<const uint8_t> payload);

}  // namespace wire
