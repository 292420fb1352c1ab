// The operating-system calls of the SG_IO transport: open a SCSI device node
// (/dev/srN or /dev/sgN), one SG_IO ioctl, close. The real port is
// LinuxSgPort; tests use a fake that answers the ioctl.
#pragma once
#include <scsi/sg.h>

#include <string>

namespace kestrel::linux_sg {

class SgPort {
 public:
  virtual ~SgPort() = default;
  // A descriptor, or -1 with `error` set to the errno of the failed open.
  // forWrite: read/write access (SEND KEY needs it); else read-only.
  virtual int Open(const std::string& path, bool forWrite, int& error) = 0;
  // ioctl(fd, SG_IO, &header): 0, or the errno of the failed call.
  virtual int Io(int fd, sg_io_hdr_t& header) = 0;
  virtual void Close(int fd) = 0;
  // Whether the process holds CAP_SYS_RAWIO in its effective set: the kernel
  // passes WRITE BUFFER only for such a process.
  virtual bool HasRawIo() = 0;
  // Later opens are exclusive (O_EXCL): they fail with EBUSY while the disc
  // is mounted or another program holds the drive.
  virtual void SetExclusive(bool exclusive) { exclusive_ = exclusive; }

 protected:
  bool exclusive_ = false;
};

// The real calls.
class LinuxSgPort final : public SgPort {
 public:
  int Open(const std::string& path, bool forWrite, int& error) override;
  int Io(int fd, sg_io_hdr_t& header) override;
  void Close(int fd) override;
  bool HasRawIo() override;
};

}  // namespace kestrel::linux_sg
