// CheckSupportedDrive: is the current drive one of the program's models?
#pragma once
#include <cstdint>

#include "drive/drive_context.h"

namespace kestrel {

// Asks the current drive (INQUIRY) and looks it up in the profile's model
// table; a supported drive's identification and generation are kept in the
// records. 0 supported; 1 not in the table; -1 INQUIRY failed.
int32_t CheckSupportedDrive(DriveContext& context);

}  // namespace kestrel
