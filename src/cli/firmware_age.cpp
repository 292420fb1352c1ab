#include "cli/firmware_age.h"

#include <cctype>

#include "firmware/hex_image.h"

namespace kestrel::cli {
namespace {

std::string Field(const uint8_t* record, size_t offset, size_t length) {
  std::string text(reinterpret_cast<const char*>(record) + offset, length);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) text.pop_back();
  return text;
}

// <0, 0, >0: runs of digits compare as numbers ("1.9" before "1.10"), other
// characters as they are.
int CompareVersions(const std::string& a, const std::string& b) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (std::isdigit(static_cast<unsigned char>(a[i])) &&
        std::isdigit(static_cast<unsigned char>(b[j]))) {
      unsigned long x = 0, y = 0;
      for (; i < a.size() && std::isdigit(static_cast<unsigned char>(a[i])); ++i) {
        x = x * 10 + static_cast<unsigned long>(a[i] - '0');
      }
      for (; j < b.size() && std::isdigit(static_cast<unsigned char>(b[j])); ++j) {
        y = y * 10 + static_cast<unsigned long>(b[j] - '0');
      }
      if (x != y) return x < y ? -1 : 1;
    } else {
      if (a[i] != b[j]) return a[i] < b[j] ? -1 : 1;
      ++i, ++j;
    }
  }
  return (i < a.size()) - (j < b.size());
}

}  // namespace

FirmwareAge CompareFirmware(const uint8_t* drive, const uint8_t* file) {
  int order = CompareVersions(Field(file, kRevisionOffset, kRevisionLength),
                              Field(drive, kRevisionOffset, kRevisionLength));
  if (order == 0) {
    order = Field(file, kDateOffset, kDateLength).compare(Field(drive, kDateOffset, kDateLength));
  }
  return order > 0 ? FirmwareAge::Newer : order == 0 ? FirmwareAge::Same : FirmwareAge::Older;
}

std::string RevisionAndDate(const uint8_t* identification) {
  return Field(identification, kRevisionOffset, kRevisionLength) + " " +
         Field(identification, kDateOffset, kDateLength);
}

}  // namespace kestrel::cli
