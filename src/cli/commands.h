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

int ShowRegion(Session& session, const std::string& device);
// permanent: the user allows the last change, after which the region can
// never be changed again.
int SetRegion(Session& session, const std::string& device, int region, bool permanent);

int ShowSpeed(Session& session, const std::string& device);
// speed: "max", "NX" (N times 176 kbytes/s) or kbytes/s.
int SetSpeed(Session& session, const std::string& device, const std::string& speed);
int SetMode(Session& session, const std::string& device, const std::string& mode,
            bool untilPowerOff);

// "max" -> FFFFh, "8X" -> 1408, "1400" -> 1400; nothing for anything else.
bool ParseReadSpeed(const std::string& text, uint16_t& kbytesPerSecond);

}  // namespace kestrel::cli
