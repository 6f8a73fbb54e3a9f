#pragma once
// Little-endian writing and bounded reading of payload fields.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace wire {

class ByteWriter {
  public:
    explicit ByteWriter(std::vector<uint8_t>& out) : out_(out) {}
    void u8(uint8_t v) { out_.push_back(v); }
    void i8(int8_t v) { u8(static_cast<uint8_t>(v)); }
    void u16(uint16_t v);
    void i16(int16_t v) { u16(static_cast<uint16_t>(v)); }
    void u32(uint32_t v);
    void i32(int32_t v) { u32(static_cast<uint32_t>(v)); }
    void f32(float v);
    void bytes(std::span<const uint8_t> v) { out_.insert(out_.end(), v.begin(), v.end()); }
    void text(const std::string& v) { out_.insert(out_.end(), v.begin(), v.end()); }

  private:
    std::vector<uint8_t>& out_;
};

// Reads never go past the span. A read that would fails the reader for good: it returns zeros
// from then on and failed() tells the caller to reject the whole payload.
class ByteReader {
  public:
    explicit ByteReader(std::span<const uint8_t> in) : in_(in) {}
    uint8_t u8();
    int8_t i8() { return static_cast<int8_t>(u8()); }
    uint16_t u16();
    int16_t i16() { return static_cast<int16_t>(u16()); }
    uint32_t u32();
    int32_t i32() { return static_cast<int32_t>(u32()); }
    float f32();
    std::span<const uint8_t> bytes(std::size_t count);
    std::string text(std::size_t count);
    std::span<const uint8_t> rest();

    bool failed() const { return failed_; }
    std::size_t remaining() const { return in_.size() - pos_; }
    bool atEnd() const { return pos_ == in_.size(); }

  private:
    bool take(std::size_t count);
    std::span<const uint8_t> in_;
    std::size_t pos_ = 0;
    bool failed_ = false;
};

}  // namespace wire
