#include "region/region_access.h"

#include "drive/command_set.h"

namespace kestrel {

int32_t AspiRegionAccess::Open(const DriveEntry& entry) {
  bus_.SelectDrive(entry.address);
  return 0;
}

bool AspiRegionAccess::FetchSense(DriveContext& context) { return SendRequestSense(context) == 0; }

int32_t LetterRegionAccess::Open(const DriveEntry& entry) {
  return letters_.OpenDrive(entry.Letter()) == 0 ? 0 : -1;
}

void LetterRegionAccess::Close() { letters_.CloseDrive(); }

}  // namespace kestrel
