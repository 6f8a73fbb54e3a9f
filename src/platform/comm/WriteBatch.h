#pragma once
// The buffer of a write batch: the WriteBatch payload built in place (a count byte, then one
// entry per write) and handed out as a start and a cursor. Every entry goes to one address.
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/wire/Frame.h"
#include "platform/wire/VariablePayloads.h"

namespace comm {

class WriteBatch {
  public:
    // Starts an empty batch; returns its start. The cursor is start + 1.
    uint8_t* open();
    // Appends one write at `cursor` (which must be where the last append left it) and moves
    // the cursor past it. False, with nothing changed, when the batch is not open, the entry
    // does not encode or fit, or its address differs from the earlier entries'.
    bool append(wire::Address address, const wire::WriteRequest& write, uint8_t* start,
                uint8_t*& cursor);
    // True when `bytes` is this batch's start.
    bool owns(const uint8_t* bytes) const { return open_ && bytes == buffer_.data(); }
    // The batch's address and payload when `count` covers exactly the bytes appended; the
    // batch is closed either way.
    std::optional<std::pair<wire::Address, std::vector<uint8_t>>> take(std::size_t count);

  private:
    std::array<uint8_t, wire::kMaxRequestPayload> buffer_{};
    std::size_t used_ = 0;
    std::optional<wire::Address> address_;
    bool open_ = false;
};

}  // namespace comm
