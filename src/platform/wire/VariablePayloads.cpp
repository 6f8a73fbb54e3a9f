#include "platform/wire/VariablePayloads.h"

namespace wire {
namespace {

bool writeEntry(ByteWriter& w, const WriteRequest& entry, Error& error) {
    if (entry.value.type != entry.address.type) {
        error = Error::BadValue;
        return false;
    }
    return writeVarAddress(w, entry.address, error) && writeValue(w, entry.value, error);
}

bool readEntry(ByteReader& r, WriteRequest& entry, Error& error) {
    return readVarAddress(r, entry.address, error) &&
           readValue(r, entry.address.type, entry.value, error);
}

template <class T>
Result<T> finish(const ByteReader& r, T value) {
    if (!r.atEnd()) return Error::WrongLength;
    return value;
}

}  // namespace

Result<std::vector<uint8_t>> encodePayload(const ReadRequest& request) {
    std::vector<uint8_t> out;
    ByteWriter w(out);
    Error error{};
    if (!writeVarAddress(w, request.address, error)) return error;
    return out;
}

Result<std::vector<uint8_t>> encodePayload(const ReadReply& reply) {
    std::vector<uint8_t> out;
    ByteWriter w(out);
    w.u8(static_cast<uint8_t>(reply.value.type));
    Error error{};
    if (!writeValue(w, reply.value, error)) return error;
    return out;
}

Result<std::vector<uint8_t>> encodeBatchEntry(const WriteRequest& entry) {
    std::vector<uint8_t> out;
    ByteWriter w(out);
    Error error{};
    if (!writeEntry(w, entry, error)) return error;
    return out;
}

Result<std::vector<uint8_t>> encodePayload(const WriteRequest& request) {
    return encodeBatchEntry(request);
}

Result<std::vector<uint8_t>> encodePayload(const WriteBatchRequest& request) {
    if (request.writes.size() > kMaxBatchEntries) return Error::BadValue;
    std::vector<uint8_t> out;
    ByteWriter w(out);
    w.u8(static_cast<uint8_t>(request.writes.size()));
    Error error{};
    for (const auto& entry : request.writes)
        if (!writeEntry(w, entry, error)) return error;
    return out;
}

Result<ReadRequest> decodeReadRequest(std::span<const uint8_t> payload) {
    ByteReader r(payload);
    ReadRequest request;
    Error error{};
    if (!readVarAddress(r, request.address, error)) return error;
    return finish(r, request);
}

Result<ReadReply> decodeReadReply(std::span<const uint8_t> payload) {
    ByteReader r(payload);
    const uint8_t type = r.u8();
    if (r.failed()) return Error::Truncated;
    if (!isValidType(type)) return Error::BadValue;
    ReadReply reply;
    Error error{};
    if (!readValue(r, static_cast<VarType>(type), reply.value, error)) return error;
    return finish(r, std::move(reply));
}

Result<WriteRequest> decodeWriteRequest(std::span<const uint8_t> payload) {
    ByteReader r(payload);
    WriteRequest request;
    Error error{};
    if (!readEntry(r, request, error)) return error;
    return finish(r, std::move(request));
}

Result<WriteBatchRequest> decodeWriteBatchRequest(std::span<const uint8_t> payload) {
    ByteReader r(payload);
    const uint8_t count = r.u8();
    if (r.failed()) return Error::Truncated;
    WriteBatchRequest request;
    request.writes.resize(count);
    Error error{};
    for (auto& entry : request.writes)
        if (!readEntry(r, entry, error)) return error;
    return finish(r, std::move(request));
}

}  // namespace wire
