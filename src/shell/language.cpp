#include "shell/language.h"

namespace kestrel {

std::string AnsiText(const Language& language, const uint8_t* bytes, size_t length) {
  if (language.ansi != nullptr) return language.ansi->ToUtf8(bytes, length);
  std::string text;
  for (size_t i = 0; i < length; ++i) {
    const uint8_t byte = bytes[i];
    if (byte < 0x80) {
      text.push_back(static_cast<char>(byte));
    } else {
      text.push_back(static_cast<char>(0xC0 | (byte >> 6)));
      text.push_back(static_cast<char>(0x80 | (byte & 0x3F)));
    }
  }
  return text;
}

}  // namespace kestrel
