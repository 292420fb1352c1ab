#include "cli/host_drive_access.h"

#include "drive/supported_drive.h"

namespace kestrel::cli {

int32_t HostDriveAccess::MakeCurrent(const DriveEntry& entry) {
  openError_.clear();
  return host_.Open(entry.text, openError_) ? 0 : -1;
}

int32_t HostDriveAccess::CheckSupported(DriveContext& context, const DriveEntry&) {
  return CheckSupportedDrive(context);
}

}  // namespace kestrel::cli
