// Bounds-checked reading of a drive reply. A read outside the reply yields
// zeros and sets a sticky error flag, so a short or garbled reply can be
// decoded first and rejected once at the end.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace kestrel {

class ByteReader {
 public:
  ByteReader(const uint8_t* data, size_t length) : data_(data), length_(data ? length : 0) {}

  size_t length() const { return length_; }
  bool ok() const { return ok_; }
  bool Has(size_t offset, size_t count) const {
    return offset <= length_ && count <= length_ - offset;
  }

  uint8_t U8(size_t offset) {
    if (!Check(offset, 1)) return 0;
    return data_[offset];
  }
  uint16_t U16BE(size_t offset) {
    if (!Check(offset, 2)) return 0;
    return static_cast<uint16_t>(data_[offset] << 8 | data_[offset + 1]);
  }
  uint32_t U24BE(size_t offset) {
    if (!Check(offset, 3)) return 0;
    return uint32_t{data_[offset]} << 16 | uint32_t{data_[offset + 1]} << 8 | data_[offset + 2];
  }
  // The bytes at offset equal text exactly (no terminator compared).
  bool Matches(size_t offset, std::string_view text) {
    if (!Check(offset, text.size())) return false;
    return std::memcmp(data_ + offset, text.data(), text.size()) == 0;
  }
  // count raw bytes as text (fixed-width INQUIRY fields keep their padding).
  std::string Text(size_t offset, size_t count) {
    if (!Check(offset, count)) return std::string();
    return std::string(reinterpret_cast<const char*>(data_ + offset), count);
  }
  // Copies count bytes to out; false (and nothing copied) when out of range.
  bool Copy(size_t offset, size_t count, uint8_t* out) {
    if (!Check(offset, count)) return false;
    std::memcpy(out, data_ + offset, count);
    return true;
  }

 private:
  bool Check(size_t offset, size_t count) {
    if (Has(offset, count)) return true;
    ok_ = false;
    return false;
  }

  const uint8_t* data_;
  size_t length_;
  bool ok_ = true;
};

}  // namespace kestrel
