// The subcommands. Each returns its exit status and leaves its result in the
// session.
#pragma once
#include <cstdint>
#include <string>

#include "cli/session.h"
#include "cli/update_view.h"

namespace kestrel::cli {

int ListDrives(Session& session);

int ShowFirmwareInfo(Session& session, const std::string& hexPath, const std::string& device);
// force: replace an existing regular file at outPath.
int BackUpFirmware(Session& session, const std::string& device, const std::string& outPath,
                   bool force);
// programmingWaitSeconds: how long to wait for flash programming before the
// read-back (30, as the window, unless a drive is known to be quicker).
int UpdateFirmwareCommand(Session& session, const std::string& device, const std::string& hexPath,
                          uint32_t programmingWaitSeconds, const UpdateChoices& choices);
// Compares the drive's flash with a firmware file's image part or a backup
// (as `backup` writes it); writes nothing. 0 equal, 1 different.
int VerifyFirmwareAgainst(Session& session, const std::string& device, const std::string& path);

int ShowRegion(Session& session, const std::string& device);
// permanent: the user allows the last change, after which the region can
// never be changed again.
int SetRegion(Session& session, const std::string& device, int region, bool permanent);

int ShowSpeed(Session& session, const std::string& device);
// speed: as ParseReadSpeed reads it. The speed read back is reported.
int SetSpeed(Session& session, const std::string& device, const std::string& speed);
// The speeds `speed set` offers by name, and the drive's maximum.
int ListSpeeds(Session& session, const std::string& device);
int SetMode(Session& session, const std::string& device, const std::string& mode,
            bool untilPowerOff);

// As eject and hdparm read speeds: "max" -> FFFFh, "8", "8x" or "8X" (CD
// multiples) -> 1408, "1400k" (kbytes/s) -> 1400; nothing for anything else.
bool ParseReadSpeed(const std::string& text, uint16_t& kbytesPerSecond);

}  // namespace kestrel::cli
