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

SenseCodes DecodeSense(const uint8_t* data, size_t length) {
  ByteReader reader(data, length);
  SenseCodes codes;
  // ATAPI drives answer in the fixed format; a device behind another
  // adapter may use the descriptor format (72h, 73h), key and codes in
  // bytes 1-3.
  const uint8_t responseCode = reader.U8(0) & 0x7F;
  if (responseCode == 0x72 || responseCode == 0x73) {
    codes.keyByte = reader.U8(1) & 0x0F;
    codes.asc = reader.U8(2);
    codes.ascq = reader.U8(3);
    return codes;
  }
  codes.keyByte = reader.U8(2);
  codes.asc = reader.U8(12);
  codes.ascq = reader.U8(13);
  return codes;
}

std::string FormatSenseReport(const SenseCodes& codes) {
  return Format("Sense Code : %02x-%02x-%02x", codes);
}

std::string FormatSenseInParentheses(const SenseCodes& codes) {
  return Format("(%02x-%02x-%02x)", codes);
}

}  // namespace kestrel
