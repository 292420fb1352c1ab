// How a region operation reaches the drive of a list entry and the sense data
// of a failed command: the one place where MERE9X and MERE2K differ in how
// they talk to the drive. The entry point picks the one of its transport.
#pragma once
#include <cstdint>

#include "drive/command_transport.h"
#include "drive/drive_context.h"
#include "drive/drive_entry.h"

namespace kestrel {

class RegionDriveAccess {
 public:
  virtual ~RegionDriveAccess() = default;
  // Makes the entry's drive the one commands go to: 0, or -1 when it cannot
  // be opened.
  virtual int32_t Open(const DriveEntry& entry) = 0;
  // Ends what Open began.
  virtual void Close() = 0;
  // Right after a failed command: brings that failure's sense data into
  // SenseBuffer. False when it could not be had.
  virtual bool FetchSense(DriveContext& context) = 0;
};

// MERE9X: the entry's adapter and target become CurrentAddress; sense data is
// fetched with REQUEST SENSE after every failure.
class AspiRegionAccess final : public RegionDriveAccess {
 public:
  explicit AspiRegionAccess(AdapterBus& bus) : bus_(bus) {}
  int32_t Open(const DriveEntry& entry) override;
  void Close() override {}
  bool FetchSense(DriveContext& context) override;

 private:
  AdapterBus& bus_;
};

// MERE2K: the entry's drive letter is opened for the operation and closed at
// its end; sense data comes back with the failed request itself.
class LetterRegionAccess final : public RegionDriveAccess {
 public:
  explicit LetterRegionAccess(DriveLetterAccess& letters) : letters_(letters) {}
  int32_t Open(const DriveEntry& entry) override;
  void Close() override;
  bool FetchSense(DriveContext&) override { return true; }

 private:
  DriveLetterAccess& letters_;
};

}  // namespace kestrel
