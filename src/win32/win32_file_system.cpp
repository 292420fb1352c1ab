#include "win32/win32_file_system.h"

#include <cerrno>
#include <cstdio>

#include "shell/utf8.h"

namespace kestrel::win32 {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "the Windows build has 16-bit wchar_t");

std::unique_ptr<LineSource> Win32FileSystem::OpenForReading(const std::string& path, int& cause) {
  // A malformed sequence becomes U+FFFD, which no file name holds, so such a
  // path fails to open instead of naming another file.
  const std::u16string utf16 = Utf8ToUtf16(path);
  const std::wstring name(utf16.begin(), utf16.end());
  errno = 0;
  return OpenStdioLines(_wfopen(name.c_str(), L"rb"), cause);
}

}  // namespace kestrel::win32
