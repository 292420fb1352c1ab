// kestrel list: every optical drive, one line each.
#include <cstdio>

#include "cli/commands.h"
#include "cli/drive_identity.h"
#include "drive/program_profile.h"

namespace kestrel::cli {

int ListDrives(Session& session) {
  DriveContext context(session.host.Transport(), kTarn2kProfile);
  nlohmann::json drives = nlohmann::json::array();
  for (const std::string& device : session.host.Devices()) {
    std::string why;
    if (!session.host.Open(device, why)) {
      session.terminal.Err() << "kestrel: " << why << "\n";
      continue;
    }
    const DriveIdentity identity = ReadDriveIdentity(context);
    session.host.Close();
    if (!identity.answered || !identity.Optical()) continue;
    drives.push_back(IdentityJson(device, identity));
    char line[200];
    std::snprintf(line, sizeof line, "%-10s %-8s %-16s %-4s %-10s %s\n", device.c_str(),
                  identity.vendor.c_str(), identity.product.c_str(), identity.revision.c_str(),
                  identity.firmwareDate.empty() ? "-" : identity.firmwareDate.c_str(),
                  identity.supported
                      ? ("supported, generation " + std::to_string(identity.generation)).c_str()
                      : "not supported");
    session.text += line;
  }
  if (drives.empty()) session.text = "no optical drive found\n";
  session.result["drives"] = drives;
  return kExitOk;
}

}  // namespace kestrel::cli
