#include "cli/device_check.h"

#include "drive/program_profile.h"

namespace kestrel::cli {

std::string NamedDevice(const std::string& device, const DriveIdentity& identity) {
  std::string name = identity.vendor;
  if (!identity.product.empty()) name += (name.empty() ? "" : " ") + identity.product;
  return name.empty() ? device : device + " (" + name + ")";
}

int CheckDevice(Session& session, const std::string& device, DeviceNeed need,
                DriveIdentity& identity) {
  std::string why;
  if (!session.host.Open(device, why)) return session.Fail(kExitUsage, why);
  // The firmware tool's profile: the INQUIRY of the pass-through build.
  DriveContext context(session.host.Transport(), kKestrelFirmwareProfile);
  identity = ReadDriveIdentity(context);
  session.host.Close();
  session.result["drive"] = IdentityJson(device, identity);
  if (!identity.answered) {
    const std::string refusal = session.host.Refusal();
    if (!refusal.empty()) return session.Fail(kExitUsage, refusal);
    return session.Fail(kExitRefused,
                        device + " gave no full INQUIRY reply; nothing was changed");
  }
  const std::string named = NamedDevice(device, identity);
  if (!identity.Optical()) {
    return session.Fail(kExitRefused, named + " is not a CD/DVD drive; nothing was changed");
  }
  if (need == DeviceNeed::MakerDvd && !identity.makerDvd) {
    return session.Fail(kExitRefused, named + " is not a Kestrel DVD drive; nothing was changed");
  }
  if (need == DeviceNeed::KestrelDrive && !identity.supported) {
    return session.Fail(kExitRefused,
                        named + " is not a supported Kestrel drive; nothing was changed");
  }
  return kExitOk;
}

}  // namespace kestrel::cli
