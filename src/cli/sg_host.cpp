#include "cli/sg_host.h"

#include <errno.h>
#include <sys/stat.h>

#include <cstring>
#include <utility>

#include "linux/device_scan.h"

namespace kestrel::cli {

SgHost::SgHost(linux_sg::SgPort& port, std::string devDir, std::string sysDir, std::string lockDir)
    : port_(port),
      transport_(port),
      devDir_(std::move(devDir)),
      sysDir_(std::move(sysDir)),
      lockDir_(std::move(lockDir)) {
  transport_.InitDriveAccess();
}

std::vector<std::string> SgHost::Devices() {
  return linux_sg::OpticalDeviceNodes(devDir_, sysDir_);
}

bool SgHost::Open(const std::string& device, std::string& why) {
  device_ = device;
  const int error = transport_.OpenDevice(device);
  openErrno_ = error;
  if (error == 0) return true;
  why = "cannot open " + device + ": " + std::strerror(error);
  if (error == EACCES || error == EPERM) why += " (" + linux_sg::GroupHint({device}) + ")";
  return false;
}

int SgHost::Reserve(const std::string& device, std::string& why) {
  const std::string name = LockNameFor(device, sysDir_);
  int error = lock_.Take(lockDir_, name);
  if (error == EWOULDBLOCK) {
    why = "drive busy: another kestrel is using " + device + "; nothing was sent";
    return EBUSY;
  }
  if (error != 0) {
    why = "cannot lock " + device + ": " + lockDir_ + "/" + name + ": " + std::strerror(error) +
          " (KESTREL_LOCK_DIR names another folder for the lock files)";
    return error;
  }
  port_.SetExclusive(true);
  // An exclusive open fails while the disc is mounted or another program
  // holds the drive: try it before anything is sent.
  error = transport_.OpenDevice(device);
  transport_.CloseDevice();
  // Any other failure is the command's own open to report.
  if (error == EBUSY) {
    why = "drive busy: " + device +
          " is in use (its disc is mounted, or another program has it open); nothing was sent";
    return EBUSY;
  }
  return 0;
}

std::string SgHost::Refusal() const {
  switch (transport_.Refusal()) {
    case linux_sg::MissingRight::None:
      return {};
    case linux_sg::MissingRight::WriteAccess:
      return "the kernel refused the command: " + device_ +
             " is open read-only, and SEND KEY needs write access to it (its group, usually "
             "cdrom, with write permission, or root)";
    case linux_sg::MissingRight::RawIo:
      return "the kernel refused the command: it needs CAP_SYS_RAWIO (run kestrel as root)";
  }
  return {};
}

std::string SgHost::LastFailure() const {
  const linux_sg::SgOutcome& last = transport_.LastOutcome();
  if (last.failure == linux_sg::SgFailure::None) return {};
  std::string text = linux_sg::SgFailureText(last.failure);
  if (last.osError != 0) text += std::string(": ") + std::strerror(last.osError);
  return text;
}

std::string SgHost::FirmwareWriteBlocker(const std::string& device) {
  struct stat node {};
  // The sg driver passes WRITE BUFFER to whoever opened its node read-write;
  // the block layer (/dev/srN) only to a process with CAP_SYS_RAWIO.
  if (::stat(device.c_str(), &node) == 0 && S_ISCHR(node.st_mode)) {
    int error = 0;
    const int fd = port_.Open(device, true, error);
    if (fd >= 0) {
      port_.Close(fd);
      return {};
    }
    if (error != EACCES && error != EPERM && error != EROFS) return {};  // the open says why
    return "firmware update through " + device + " needs write access to it (" +
           std::strerror(error) + "; its group with write permission, or root); nothing was "
           "written";
  }
  if (port_.HasRawIo()) return {};
  return "firmware update needs CAP_SYS_RAWIO: the kernel passes WRITE BUFFER only to a process "
         "that holds it (run kestrel as root); nothing was written";
}

}  // namespace kestrel::cli
