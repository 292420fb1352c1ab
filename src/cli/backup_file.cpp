#include "cli/backup_file.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "cli/session.h"

namespace kestrel::cli {
namespace {

const char* KindOf(mode_t mode) {
  if (S_ISLNK(mode)) return "a symbolic link";
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISFIFO(mode)) return "a FIFO";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  if (S_ISSOCK(mode)) return "a socket";
  return "not a regular file";
}

constexpr char kNoFile[] = "; no file written";

FileOutcome Failed(const std::string& what, int error) {
  return {kExitUsage, what + ": " + std::strerror(error) + kNoFile};
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// Every byte, through short writes and interruptions; 0 or the errno.
int WriteAll(int fd, const uint8_t* data, size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return n < 0 ? errno : EIO;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return 0;
}

// Moves the finished file into place: over a regular file with --force, else
// only where nothing is (a file made meanwhile is not replaced either).
FileOutcome Publish(const std::string& temp, const std::string& path, bool force) {
  if (force) {
    const FileOutcome check = CheckBackupTarget(path, true);
    if (check.status != 0) return check;
    if (std::rename(temp.c_str(), path.c_str()) == 0) return {};
    return Failed("cannot write " + path, errno);
  }
  if (::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) == 0) {
    return {};
  }
  int error = errno;
  if (error == EINVAL || error == ENOSYS) {
    // A file system without the flag: a hard link fails on an existing name too.
    if (::link(temp.c_str(), path.c_str()) == 0) {
      ::unlink(temp.c_str());
      return {};
    }
    error = errno;
  }
  if (error == EEXIST) {
    const FileOutcome check = CheckBackupTarget(path, false);
    if (check.status != 0) return check;
  }
  return Failed("cannot write " + path, error);
}

}  // namespace

FileOutcome CheckBackupTarget(const std::string& path, bool force) {
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) {
    if (errno == ENOENT) return {};
    return Failed("cannot look at " + path, errno);
  }
  if (!S_ISREG(st.st_mode)) {
    return {kExitRefused, path + " is " + KindOf(st.st_mode) + ", not a regular file" + kNoFile};
  }
  if (!force) return {kExitRefused, path + " exists (--force replaces it)" + kNoFile};
  return {};
}

FileOutcome WriteBackupFile(const std::string& path, const std::vector<uint8_t>& bytes,
                            bool force) {
  FileOutcome outcome = CheckBackupTarget(path, force);
  if (outcome.status != 0) return outcome;
  const std::string folder = FolderOf(path);
  std::string temp = path + ".XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) return Failed("cannot create a file in " + folder, errno);
  // mkstemp makes it for its owner alone; a backup gets the usual permissions.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd, 0666 & ~mask);

  int error = WriteAll(fd, bytes.data(), bytes.size());
  if (error == 0 && ::fsync(fd) != 0) error = errno;
  if (::close(fd) != 0 && error == 0) error = errno;
  outcome = error != 0 ? Failed("cannot write " + path, error) : Publish(temp, path, force);
  if (outcome.status != 0) {
    ::unlink(temp.c_str());
    return outcome;
  }
  // The new name lasts only once the folder is on disk too.
  const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  error = dir < 0 ? errno : (::fsync(dir) != 0 && errno != EINVAL ? errno : 0);
  if (dir >= 0) ::close(dir);
  if (error == 0) return {};
  return {kExitUsage, path + " is written, but its folder could not be flushed to disk: " +
                          std::strerror(error)};
}

}  // namespace kestrel::cli
