// One kestrel at a time on a drive that is being changed: an flock on a file
// named after the drive's SCSI device in sysfs, so that /dev/sr0 and /dev/sg0
// of one drive take the same lock. The files are kept in /run/lock, or in
// the folder KESTREL_LOCK_DIR names.
#pragma once
#include <string>

namespace kestrel::cli {

constexpr const char* kDefaultLockDir = "/run/lock";

// "kestrel-0:0:0:0.lock" for a node whose sysfs device is .../0:0:0:0; a node
// without one (not a device) is named by its own resolved path.
std::string LockNameFor(const std::string& device, const std::string& sysDir);

class DriveLock {
 public:
  DriveLock() = default;
  ~DriveLock() { Release(); }
  DriveLock(const DriveLock&) = delete;
  DriveLock& operator=(const DriveLock&) = delete;
  // 0, EWOULDBLOCK when another process holds it, or the errno of the lock
  // file's open.
  int Take(const std::string& lockDir, const std::string& name);
  void Release();

 private:
  int fd_ = -1;
};

}  // namespace kestrel::cli
