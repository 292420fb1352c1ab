// The file `firmware backup` writes. An existing file is replaced only when
// asked (--force), and only a regular one: never a symbolic link, a device, a
// FIFO or a folder. The bytes go into a new file made beside it (mkstemp:
// created exclusively, never through a link), which is flushed to disk and
// renamed into place, then the folder is flushed; a failure removes it again,
// so no part of a file is ever left behind.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace kestrel::cli {

struct FileOutcome {
  int status = 0;   // 0, kExitRefused (the file is not to be written) or kExitUsage
  std::string why;  // for a failure: what could not be done, and the system's reason
};

// Before the drive is read: whether `path` may be written.
FileOutcome CheckBackupTarget(const std::string& path, bool force);
// Checks again, then writes.
FileOutcome WriteBackupFile(const std::string& path, const std::vector<uint8_t>& bytes,
                            bool force);

}  // namespace kestrel::cli
