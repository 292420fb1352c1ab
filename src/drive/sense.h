// Sense data (fixed or descriptor format), decoded in one place: the values the utilities
// show after a failed command and the conditions the readiness wait tests.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "drive/command_transport.h"

namespace kestrel {

struct SenseCodes {
  // Fixed format; the descriptor format's bytes 1, 2 and 3 (it has no flags).
  uint8_t keyByte = 0;  // byte 2 as it came: sense key with the flag bits above it
  uint8_t asc = 0;      // byte 12
  uint8_t ascq = 0;     // byte 13

  uint8_t SenseKey() const { return keyByte & 0x0F; }
  // Byte 2 holds the sense key alone: none of its flag bits (filemark, end
  // of medium, incorrect length) is set.
  bool KeyOnly() const { return (keyByte & 0xF0) == 0; }
  bool UnitAttention() const { return SenseKey() == 0x06; }
  bool BecomingReady() const { return SenseKey() == 0x02 && asc == 0x04 && ascq == 0x01; }
  bool MediumNotPresent() const { return SenseKey() == 0x02 && asc == 0x3A; }
};

// Where a reply keeps its key, ASC and ASCQ, by its response code (byte 0):
// bytes 2, 12 and 13 of the fixed format that ATAPI drives use; bytes 1, 2
// and 3 of the descriptor format (72h, 73h) a device behind another adapter
// may use, whose key byte has no flags.
struct SenseLayout {
  size_t key, asc, ascq;
  uint8_t keyMask;
};
SenseLayout SenseLayoutOf(uint8_t responseCode);

// Bytes beyond length read as zero.
SenseCodes DecodeSense(const uint8_t* data, size_t length);
inline SenseCodes DecodeSense(const WorkBuffers& buffers) {
  return DecodeSense(buffers.sense.data(), buffers.sense.size());
}

// "Sense Code : %02x-%02x-%02x" of the firmware utilities; byte 2 unmasked.
std::string FormatSenseReport(const SenseCodes& codes);
// "(%02x-%02x-%02x)" of the speed utility.
std::string FormatSenseInParentheses(const SenseCodes& codes);

}  // namespace kestrel
