#include "transport/passthrough/letter_drive_access.h"

#include "drive/supported_drive.h"

namespace kestrel {

int32_t LetterDriveAccess::MakeCurrent(const DriveEntry& entry) {
  // Opening again would otherwise replace the handle of the drive that the
  // last operation left open without closing it.
  letters_.CloseDrive();
  return letters_.OpenDrive(entry.Letter()) == 0 ? 0 : -1;
}

int32_t LetterDriveAccess::CheckSupported(DriveContext& context, const DriveEntry&) {
  return CheckSupportedDrive(context);  // the drive MakeCurrent opened
}

}  // namespace kestrel
