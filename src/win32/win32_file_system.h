// Firmware files on Windows: opened by their UTF-16 name, so that any file
// the Open dialog offers can be read whatever the ANSI code page.
#pragma once
#include "firmware/line_source.h"

namespace kestrel::win32 {

class Win32FileSystem final : public FileSystemPort {
 public:
  std::unique_ptr<LineSource> OpenForReading(const std::string& path, int& cause) override;
};

}  // namespace kestrel::win32
