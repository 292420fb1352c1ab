// kestrel list: every optical drive, one line each; the nodes that could not
// be opened in one line on stderr, by cause.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>

#include "cli/commands.h"
#include "cli/drive_identity.h"
#include "drive/program_profile.h"
#include "linux/device_scan.h"

namespace kestrel::cli {
namespace {

// "2 devices could not be opened (/dev/sg0, /dev/sg1): permission denied;
// members of group cdrom usually may".
std::string Unopened(int error, const std::vector<std::string>& nodes) {
  std::string names;
  for (const std::string& node : nodes) names += (names.empty() ? "" : ", ") + node;
  std::string cause = std::strerror(error);
  if (!cause.empty()) cause[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(cause[0])));
  std::string line = nodes.size() == 1 ? "1 device could not be opened ("
                                       : std::to_string(nodes.size()) +
                                             " devices could not be opened (";
  line += names + "): " + cause;
  if (error == EACCES || error == EPERM) line += "; " + linux_sg::GroupHint(nodes);
  return line;
}

}  // namespace

int ListDrives(Session& session) {
  DriveContext context(session.host.Transport(), kTarn2kProfile);
  nlohmann::json drives = nlohmann::json::array();
  std::map<int, std::vector<std::string>> unopened;  // by errno
  std::vector<std::string> others;                    // the hosts' own reasons
  for (const std::string& device : session.host.Devices()) {
    std::string why;
    if (!session.host.Open(device, why)) {
      const int error = session.host.OpenErrno();
      if (error != 0) {
        unopened[error].push_back(device);
      } else {
        others.push_back(why);
      }
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
  nlohmann::json failed = nlohmann::json::array();
  for (const auto& [error, nodes] : unopened) {
    session.terminal.Err() << "kestrel: " << Unopened(error, nodes) << "\n";
    for (const std::string& node : nodes) {
      failed.push_back({{"device", node}, {"error", std::strerror(error)}});
    }
  }
  for (const std::string& why : others) session.terminal.Err() << "kestrel: " << why << "\n";
  if (drives.empty()) session.text = "no optical drive found\n";
  session.result["drives"] = drives;
  if (!failed.empty()) session.result["unopened"] = failed;
  return kExitOk;
}

}  // namespace kestrel::cli
