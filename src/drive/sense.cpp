#include "drive/sense.h"

#include <cstdio>

#include "drive/byte_reader.h"

namespace kestrel {
namespace {

std::string Format(const char* format, const SenseCodes& codes) {
  char text[40];
  std::snprintf(text, sizeof text, format, codes.keyByte, codes.asc, codes.ascq);
  return text;
}

}  // namespace

SenseLayout SenseLayoutOf(uint8_t responseCode) {
  const uint8_t format = responseCode & 0x7F;
  if (format == 0x72 || format == 0x73) return {1, 2, 3, 0x0F};
  return {2, 12, 13, 0xFF};
}

SenseCodes DecodeSense(const uint8_t* data, size_t length) {
  ByteReader reader(data, length);
  const SenseLayout layout = SenseLayoutOf(reader.U8(0));
  SenseCodes codes;
  codes.keyByte = reader.U8(layout.key) & layout.keyMask;
  codes.asc = reader.U8(layout.asc);
  codes.ascq = reader.U8(layout.ascq);
  return codes;
}

std::string FormatSenseReport(const SenseCodes& codes) {
  return Format("Sense Code : %02x-%02x-%02x", codes);
}

std::string FormatSenseInParentheses(const SenseCodes& codes) {
  return Format("(%02x-%02x-%02x)", codes);
}

}  // namespace kestrel
