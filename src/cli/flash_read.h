// The drive's whole 128 KB flash, read back block by block, for `firmware
// backup` and `firmware verify`.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "cli/session.h"
#include "drive/drive_context.h"

namespace kestrel::cli {

// One image part fills the drive's flash.
constexpr uint32_t kFlashSize = 0x20000;

// Opens `device`, checks it is a supported drive and reads its flash into
// `flash`. kExitOk, or the status of a failure recorded in the session, whose
// message ends with `nothingDone` ("; no file written"). The device is closed
// either way.
int ReadWholeFlash(Session& session, DriveContext& context, const std::string& device,
                   std::vector<uint8_t>& flash, const std::string& nothingDone);

// "1F000h": a flash offset as the messages give it.
std::string FlashOffset(uint32_t offset);

}  // namespace kestrel::cli
