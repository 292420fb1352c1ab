// How an operation reaches the drive of a list entry: the one seam where the
// builds differ in how they talk to a drive. Each transport has its own
// (aspi_drive_access.h, letter_drive_access.h; the command-line tool's device
// names); the program's entry point picks the one of its transport.
#pragma once
#include <cstdint>

#include "drive/drive_context.h"
#include "drive/drive_entry.h"
#include "shell/language.h"

namespace kestrel {

class DriveAccess {
 public:
  virtual ~DriveAccess() = default;
  // Makes the entry's drive the one commands go to: 0, or -1 when it cannot
  // be opened.
  virtual int32_t MakeCurrent(const DriveEntry& entry) = 0;
  // Ends an operation's use of the drive MakeCurrent made current: a drive
  // opened for it is closed again; ASPI keeps nothing open.
  virtual void Release() {}
  // CheckSupportedDrive on the entry's drive, which MakeCurrent has made current.
  virtual int32_t CheckSupported(DriveContext& context, const DriveEntry& entry) = 0;
  // The pair shown when MakeCurrent fails.
  virtual const MessagePair& OpenFailure() const;
  // Right after a failed command: brings that failure's sense data into
  // SenseBuffer. False when it could not be had.
  virtual bool FetchSense(DriveContext& context) = 0;
};

}  // namespace kestrel
