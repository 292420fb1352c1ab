#include "cli/drive_lock.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>

namespace kestrel::cli {
namespace {

std::string Resolved(const std::string& path) {
  char resolved[PATH_MAX];
  return realpath(path.c_str(), resolved) != nullptr ? resolved : path;
}

}  // namespace

std::string LockNameFor(const std::string& device, const std::string& sysDir) {
  struct stat node {};
  std::string key;
  if (stat(device.c_str(), &node) == 0 && (S_ISBLK(node.st_mode) || S_ISCHR(node.st_mode))) {
    const std::string entry = sysDir + "/dev/" + (S_ISBLK(node.st_mode) ? "block/" : "char/") +
                              std::to_string(major(node.st_rdev)) + ":" +
                              std::to_string(minor(node.st_rdev)) + "/device";
    char resolved[PATH_MAX];
    if (realpath(entry.c_str(), resolved) != nullptr) {
      key = resolved;
      key = key.substr(key.rfind('/') + 1);  // the SCSI address, h:c:t:l
    }
  }
  if (key.empty()) key = Resolved(device);
  std::replace(key.begin(), key.end(), '/', '_');
  return "kestrel-" + key + ".lock";
}

int DriveLock::Take(const std::string& lockDir, const std::string& name) {
  Release();
  fd_ = ::open((lockDir + "/" + name).c_str(), O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
  if (fd_ < 0) return errno;
  if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
    const int error = errno;
    Release();
    return error;
  }
  return 0;
}

void DriveLock::Release() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

}  // namespace kestrel::cli
