// kestrel firmware verify: the drive's flash against a firmware file's image
// part or a backup, read back as the backup reads it; nothing is written.
#include <fstream>
#include <iterator>
#include <vector>

#include "cli/commands.h"
#include "cli/drive_identity.h"
#include "cli/firmware_file.h"
#include "cli/flash_read.h"
#include "cli/update_view.h"
#include "firmware/firmware_transfer.h"
#include "firmware/hex_image.h"

namespace kestrel::cli {
namespace {

constexpr char kNothingCompared[] = "; nothing was compared";

// A backup is the flash's bytes as they are; a HEX file is text of records,
// each line starting with ':'.
bool ReadBackup(const std::string& path, std::vector<uint8_t>& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes.assign(std::istreambuf_iterator<char>(in), {});
  return bytes.size() == kFlashSize && bytes[0] != ':';
}

// The image part this drive holds: its CPU decides on a two-part image.
int ExpectedPart(Session& session, DriveContext& context, CliFirmwareView& view,
                 const std::string& device, uint32_t& base) {
  std::string why;
  if (!session.host.Open(device, why)) return session.Fail(kExitUsage, why);
  const DriveIdentity identity = ReadDriveIdentity(context);
  const bool cpuRead = identity.supported && ReadCpuIdentification(context, view) == 0;
  session.host.Close();
  if (!identity.supported) {
    return session.Fail(kExitRefused, device + " is not a supported Kestrel drive");
  }
  if (!cpuRead) {
    return session.Fail(kExitRefused, "cannot read the CPU identification of " + device);
  }
  base = ImagePartFor(context.records).base;
  return kExitOk;
}

}  // namespace

int VerifyFirmwareAgainst(Session& session, const std::string& device, const std::string& path) {
  nlohmann::json& j = session.result;
  j["device"] = device;
  j["file"] = path;
  DriveContext context(session.host.Transport(), FirmwareProfile());
  std::vector<uint8_t> expected;
  std::string what;
  if (ReadBackup(path, expected)) {
    j["kind"] = "backup";
    what = "the backup " + path;
  } else {
    CliFirmwareView view(session.prompter, device);
    ImageRecord image;
    StatusLog log(view);
    StdioFileSystem files;
    FirmwareLoader loader(context, image, view, log, files, kTarn9xFirmwareTraits);
    int status = kExitOk;
    if (!LoadFirmwareFile(session, context, loader, log, path, status)) return status;
    uint32_t base = 0;
    if (const int failed = ExpectedPart(session, context, view, device, base)) return failed;
    const uint8_t* part = context.buffers().image + base;
    expected.assign(part, part + kFlashSize);
    j["kind"] = "hex";
    j["part"] = base == 0 ? "first" : "second";
    what = path + " (its " + j["part"].get<std::string>() + " image part)";
  }
  std::vector<uint8_t> flash;
  if (const int failed = ReadWholeFlash(session, context, device, flash, kNothingCompared)) {
    return failed;
  }
  uint32_t differing = 0, first = 0;
  for (uint32_t i = 0; i < kFlashSize; ++i) {
    if (i >= kDriveOwnedStart && i < kDriveOwnedEnd) continue;
    if (flash[i] == expected[i]) continue;
    if (differing++ == 0) first = i;
  }
  j["compared"] = kFlashSize - (kDriveOwnedEnd - kDriveOwnedStart);
  j["equal"] = differing == 0;
  j["differingBytes"] = differing;
  j["firstDifference"] = differing ? nlohmann::json(first) : nlohmann::json();
  if (differing != 0) {
    return session.Fail(kExitRefused, "the flash of " + device + " differs from " + what + ": " +
                                          std::to_string(differing) +
                                          (differing == 1 ? " byte differs, at " : " bytes differ, the first at ") +
                                          FlashOffset(first));
  }
  session.text = "The flash of " + device + " matches " + what + "; bytes " +
                 FlashOffset(kDriveOwnedStart) + "-" + FlashOffset(kDriveOwnedEnd - 1) +
                 ", which the drive keeps, are not compared.\n";
  return kExitOk;
}

}  // namespace kestrel::cli
