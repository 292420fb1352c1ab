// The one place where UTF-8 texts become UTF-16 for the W functions, and
// back, with the shell's UTF-8 codec.
#pragma once
#include <string>

#include "shell/language.h"

namespace kestrel {

std::wstring Wide(const std::string& utf8);
std::string Narrow(const std::wstring& utf16);

// Bytes in the system's ANSI code page (MultiByteToWideChar with CP_ACP).
class Win32AnsiDecoder final : public AnsiDecoder {
 public:
  std::string ToUtf8(const uint8_t* bytes, size_t length) const override;
};

}  // namespace kestrel
