#include <errno.h>
#include <fcntl.h>
#include <linux/capability.h>
#include <sys/ioctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "transport/sg/sg_port.h"

namespace kestrel::linux_sg {

int LinuxSgPort::Open(const std::string& path, bool forWrite, int& error) {
  // O_NONBLOCK: a drive without a disc must still open.
  const int fd = ::open(path.c_str(), (forWrite ? O_RDWR : O_RDONLY) | O_NONBLOCK | O_CLOEXEC |
                                          (exclusive_ ? O_EXCL : 0));
  error = fd < 0 ? errno : 0;
  return fd;
}

int LinuxSgPort::Io(int fd, sg_io_hdr_t& header) {
  for (;;) {
    if (::ioctl(fd, SG_IO, &header) == 0) return 0;
    if (errno != EINTR) return errno;
  }
}

void LinuxSgPort::Close(int fd) { ::close(fd); }

bool LinuxSgPort::HasRawIo() {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct data[2]{};
  if (::syscall(SYS_capget, &header, data) != 0) return false;
  return (data[CAP_TO_INDEX(CAP_SYS_RAWIO)].effective & CAP_TO_MASK(CAP_SYS_RAWIO)) != 0;
}

}  // namespace kestrel::linux_sg
