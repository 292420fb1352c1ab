// Before a command that changes a drive: what the device is, asked with
// INQUIRY alone, so that a disk or another maker's drive is refused before
// anything else reaches it.
#pragma once
#include <string>

#include "cli/drive_identity.h"
#include "cli/session.h"

namespace kestrel::cli {

enum class DeviceNeed {
  OpticalDrive,  // a CD/DVD device (peripheral type 5, a full INQUIRY reply)
  MakerDvd,      // one of the maker's DVD drives, as the region utility lists them
  KestrelDrive,  // a model of the supported-model table
};

// Opens `device`, asks INQUIRY and closes it again. kExitOk with `identity`
// filled, or the refusal's status with the session's error set.
int CheckDevice(Session& session, const std::string& device, DeviceNeed need,
                DriveIdentity& identity);

// "/dev/sr0 (KESTREL DVD-ROM DRV-320)", for questions and refusals.
std::string NamedDevice(const std::string& device, const DriveIdentity& identity);

}  // namespace kestrel::cli
