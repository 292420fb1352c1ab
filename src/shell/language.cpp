#include "shell/language.h"

#include "shell/utf8.h"

namespace kestrel {

std::string AnsiText(const Language& language, const uint8_t* bytes, size_t length) {
  if (language.ansi != nullptr) return language.ansi->ToUtf8(bytes, length);
  // Latin-1: each byte is the code point of the same value.
  return Utf16ToUtf8(std::u16string(bytes, bytes + length));
}

}  // namespace kestrel
