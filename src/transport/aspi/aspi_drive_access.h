// The ASPI builds' way to a drive: the entry's adapter and target become
// CurrentAddress; sense data is fetched with REQUEST SENSE after a failure.
#pragma once
#include "drive/command_transport.h"
#include "drive/drive_access.h"

namespace kestrel {

class AspiDriveAccess final : public DriveAccess {
 public:
  explicit AspiDriveAccess(AdapterBus& bus) : bus_(bus) {}
  int32_t MakeCurrent(const DriveEntry& entry) override;
  int32_t CheckSupported(DriveContext& context, const DriveEntry& entry) override;
  bool FetchSense(DriveContext& context) override;

 private:
  AdapterBus& bus_;
};

}  // namespace kestrel
