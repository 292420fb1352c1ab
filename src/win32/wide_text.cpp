#include "win32/wide_text.h"

#include <windows.h>

#include "shell/utf8.h"

namespace kestrel {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "the Windows build has 16-bit wchar_t");

std::wstring Wide(const std::string& utf8) {
  const std::u16string utf16 = Utf8ToUtf16(utf8);
  return std::wstring(utf16.begin(), utf16.end());
}

std::string Narrow(const std::wstring& utf16) {
  return Utf16ToUtf8(std::u16string(utf16.begin(), utf16.end()));
}

std::string Win32AnsiDecoder::ToUtf8(const uint8_t* bytes, size_t length) const {
  if (length == 0) return {};
  const auto* text = reinterpret_cast<const char*>(bytes);
  const int count = static_cast<int>(length);
  const int units = MultiByteToWideChar(CP_ACP, 0, text, count, nullptr, 0);
  if (units <= 0) return {};
  std::wstring wide(static_cast<size_t>(units), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text, count, wide.data(), units);
  return Narrow(wide);
}

}  // namespace kestrel
