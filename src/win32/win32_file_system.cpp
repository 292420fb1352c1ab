#include "win32/win32_file_system.h"

#include <cerrno>
#include <cstdio>

#include "win32/wide_text.h"

namespace kestrel::win32 {

std::unique_ptr<LineSource> Win32FileSystem::OpenForReading(const std::string& path, int& cause) {
  // A malformed sequence becomes U+FFFD, which no file name holds, so such a
  // path fails to open instead of naming another file.
  errno = 0;
  return OpenStdioLines(_wfopen(Wide(path).c_str(), L"rb"), cause);
}

}  // namespace kestrel::win32
