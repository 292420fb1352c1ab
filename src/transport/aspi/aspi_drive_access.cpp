#include "transport/aspi/aspi_drive_access.h"

#include "drive/command_set.h"
#include "drive/supported_drive.h"

namespace kestrel {

int32_t AspiDriveAccess::MakeCurrent(const DriveEntry& entry) {
  bus_.SelectDrive(entry.address);
  return 0;
}

int32_t AspiDriveAccess::CheckSupported(DriveContext& context, const DriveEntry& entry) {
  // The INQUIRY goes to the entry's drive; the current address is restored
  // afterwards.
  const AspiAddress previous = bus_.CurrentAddress();
  bus_.SelectDrive(entry.address);
  const int32_t result = CheckSupportedDrive(context);
  bus_.SelectDrive(previous);
  return result;
}

bool AspiDriveAccess::FetchSense(DriveContext& context) { return SendRequestSense(context) == 0; }

}  // namespace kestrel
