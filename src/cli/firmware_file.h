// What the firmware commands share: their profile and the loading of a
// firmware file with the window's loader.
#pragma once
#include <string>

#include "cli/session.h"
#include "drive/drive_context.h"
#include "drive/program_profile.h"
#include "firmware/firmware_loader.h"
#include "firmware/status_log.h"

namespace kestrel::cli {

// The firmware commands run with the whole 88-byte identification records
// and the pass-through build's models.
inline const ProgramProfile& FirmwareProfile() { return kKestrelFirmwareProfile; }

// Loads the file; false after a failure recorded in the session, its status
// in `status`.
bool LoadFirmwareFile(Session& session, const DriveContext& context, FirmwareLoader& loader,
                      const StatusLog& log, const std::string& path, int& status);

}  // namespace kestrel::cli
