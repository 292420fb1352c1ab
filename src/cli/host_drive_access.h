// The tool's way to a drive: an entry's text is a device name, opened on the
// host for the operation and closed at its end; the sense of a failure comes
// back with the request itself.
#pragma once
#include <string>

#include "cli/drive_host.h"
#include "drive/drive_access.h"

namespace kestrel::cli {

class HostDriveAccess final : public DriveAccess {
 public:
  explicit HostDriveAccess(DriveHost& host) : host_(host) {}
  int32_t MakeCurrent(const DriveEntry& entry) override;
  void Release() override { host_.Close(); }
  int32_t CheckSupported(DriveContext& context, const DriveEntry& entry) override;
  bool FetchSense(DriveContext&) override { return true; }
  // Why the last MakeCurrent failed; empty after one that did not.
  const std::string& OpenError() const { return openError_; }

 private:
  DriveHost& host_;
  std::string openError_;
};

}  // namespace kestrel::cli
