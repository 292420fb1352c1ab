// The pass-through builds' way to a drive: the entry's drive letter is opened
// for the operation and closed at its end; sense data comes back with the
// failed request itself.
#pragma once
#include "drive/command_transport.h"
#include "drive/drive_access.h"

namespace kestrel {

class LetterDriveAccess final : public DriveAccess {
 public:
  explicit LetterDriveAccess(DriveLetterAccess& letters) : letters_(letters) {}
  // A drive left open by the previous operation is closed first.
  int32_t MakeCurrent(const DriveEntry& entry) override;
  void Release() override { letters_.CloseDrive(); }
  int32_t CheckSupported(DriveContext& context, const DriveEntry& entry) override;
  bool FetchSense(DriveContext&) override { return true; }

 private:
  DriveLetterAccess& letters_;
};

}  // namespace kestrel
