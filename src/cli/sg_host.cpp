#include "cli/sg_host.h"

#include <cstring>
#include <utility>

#include "linux/device_scan.h"

namespace kestrel::cli {

SgHost::SgHost(linux_sg::SgPort& port, std::string devDir, std::string sysDir)
    : port_(port), transport_(port), devDir_(std::move(devDir)), sysDir_(std::move(sysDir)) {
  transport_.InitDriveAccess();
}

std::vector<std::string> SgHost::Devices() {
  return linux_sg::OpticalDeviceNodes(devDir_, sysDir_);
}

bool SgHost::Open(const std::string& device, std::string& why) {
  device_ = device;
  const int error = transport_.OpenDevice(device);
  if (error == 0) return true;
  why = "cannot open " + device + ": " + std::strerror(error);
  if (error == EACCES || error == EPERM) {
    why += " (reading it needs membership of its group, usually cdrom, or root)";
  }
  return false;
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

std::string SgHost::FirmwareWriteBlocker() {
  if (port_.HasRawIo()) return {};
  return "firmware update needs CAP_SYS_RAWIO: the kernel passes WRITE BUFFER only to a process "
         "that holds it (run kestrel as root); nothing was written";
}

}  // namespace kestrel::cli
