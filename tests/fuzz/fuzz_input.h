// The fuzzer's bytes as a stream of choices. Once they run out every choice
// reads as zero, so a run always ends.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace kestrel::fuzz {

class FuzzInput {
 public:
  FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  bool Empty() const { return at_ >= size_; }
  uint8_t Byte() { return Empty() ? 0 : data_[at_++]; }
  bool Bit() { return (Byte() & 1) != 0; }
  uint16_t U16() { return static_cast<uint16_t>(Byte() << 8 | Byte()); }
  // Copies up to count bytes to out; what the input no longer has reads as zero.
  void Take(uint8_t* out, size_t count) {
    const size_t left = Empty() ? 0 : size_ - at_;
    const size_t n = count < left ? count : left;
    if (n != 0) std::memcpy(out, data_ + at_, n);
    if (n < count) std::memset(out + n, 0, count - n);
    at_ += n;
  }
  // A value in [0, bound]: bound itself as often as the other values together,
  // so that whole replies are common.
  uint32_t UpTo(uint32_t bound) {
    const uint16_t pick = U16();
    if ((pick & 0x8000) == 0 || bound == 0) return bound;
    return (pick & 0x7FFF) % (bound + 1);
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

// A broken rule stops the fuzzer with its reason.
inline void Require(bool condition, const char* rule) {
  if (condition) return;
  std::fprintf(stderr, "safety rule broken: %s\n", rule);
  std::abort();
}

}  // namespace kestrel::fuzz
