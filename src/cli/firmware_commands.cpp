// kestrel firmware info | backup | update.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "cli/backup_file.h"
#include "cli/cli_kit.h"
#include "cli/cli_messages.h"
#include "cli/commands.h"
#include "cli/drive_identity.h"
#include "cli/firmware_file.h"
#include "cli/flash_read.h"
#include "cli/host_drive_access.h"
#include "cli/settling_wait.h"
#include "cli/update_view.h"
#include "drive/cdb_builders.h"
#include "drive/command_set.h"
#include "drive/ms_timer.h"
#include "drive/program_profile.h"
#include "drive/sense.h"
#include "firmware/firmware_loader.h"
#include "firmware/firmware_transfer.h"
#include "firmware/hex_image.h"
#include "firmware/status_log.h"
#include "firmware/update_procedure.h"

namespace kestrel::cli {
namespace {

static_assert(kFlashSize == kSecondPartOffset);  // one image part fills the flash
constexpr const char* kWrittenNotVerified =
    "the drive was written but the update did not verify: do not switch the machine off; run "
    "the update again (with --allow-reinstall if the drive reports the new revision already)";

const char* OutcomeName(UpdateOutcome outcome) {
  switch (outcome) {
    case UpdateOutcome::NoDrive:
      return "no-drive";
    case UpdateOutcome::ImageNotAvailable:
      return "image-not-available";
    case UpdateOutcome::CpuReadFailed:
      return "cpu-read-failed";
    case UpdateOutcome::CpuMismatch:
      return "cpu-mismatch";
    case UpdateOutcome::DriveMismatch:
      return "drive-mismatch";
    case UpdateOutcome::Cancelled:
      return "cancelled";
    case UpdateOutcome::DownloadFailed:
      return "download-failed";
    case UpdateOutcome::ProgrammingFailed:
      return "programming-failed";
    case UpdateOutcome::VerifyFailed:
      return "verify-failed";
    case UpdateOutcome::Updated:
      return "updated";
  }
  return "unknown";
}

// One run of the update: every check, the question and, after a yes, the
// writing. A dry run (`update --dry-run`, `firmware info --device`) stops at
// the question, so both reach the verdict the update would.
struct UpdateRun {
  UpdateResult result;
  std::string openError, refusal;
  std::string failure;  // what the log and the boxes said went wrong
};

UpdateRun RunUpdate(Session& session, DriveContext& context, ImageRecord& image,
                    CliFirmwareView& view, StatusLog& log, const std::string& device,
                    const UpdateChoices& choices, uint32_t programmingWaitSeconds) {
  view.SetChoices(choices, context.records.driveIdentification.data(),
                  image.fileIdentification.data());
  DriveList list;
  list.Add(DriveEntry{device, AspiAddress{}});
  CliKit kit(session.host, programmingWaitSeconds, view.Progress(), session.terminal.Err());
  UpdateRun run;
  // The device is the list's only entry.
  run.result = UpdateFirmware(context, image, view, log, list, UpdateRequest{0}, kit.Update());
  view.EndFlash();
  run.refusal = session.host.Refusal();
  run.openError = kit.access.OpenError();
  const std::string logged = ToolText(log.text()).failure, boxed = view.BoxFailure();
  const char* what = run.result.outcome == UpdateOutcome::DownloadFailed
                         ? "the drive refused a download block: "
                     : run.result.outcome == UpdateOutcome::CpuReadFailed
                         ? "the drive did not give its CPU identification: "
                         : "";
  run.failure = boxed.empty() ? logged : what + boxed;
  session.host.Close();
  if (kit.wait.StartFailed()) session.result["programmingCommandFailed"] = true;
  return run;
}

// The exit status of a run; its outcome goes into the result.
int UpdateVerdict(Session& session, const UpdateRun& run, const CliFirmwareView& view) {
  nlohmann::json& j = session.result;
  const UpdateOutcome outcome = run.result.outcome;
  j["outcome"] = !view.AgeRefusal().empty() ? "not-newer"
                 : view.WouldWrite()        ? "would-write"
                                            : OutcomeName(outcome);
  if (outcome == UpdateOutcome::Updated || view.WouldWrite()) return kExitOk;
  if (!run.openError.empty()) return session.Fail(kExitUsage, run.openError);
  if (!run.refusal.empty()) return session.Fail(kExitUsage, run.refusal);
  if (!view.AgeRefusal().empty()) return session.Fail(kExitRefused, view.AgeRefusal());
  if (outcome == UpdateOutcome::Cancelled && session.prompter.RefusedWithoutTerminal()) {
    return session.Fail(kExitUsage, kNeedsYes);
  }
  const std::string ended =
      run.failure.empty() ? std::string("firmware update ended: ") + OutcomeName(outcome)
                          : run.failure;
  if (outcome == UpdateOutcome::DownloadFailed || outcome == UpdateOutcome::ProgrammingFailed ||
      outcome == UpdateOutcome::VerifyFailed) {
    return session.Fail(kExitUnverified, ended + "; " + kWrittenNotVerified);
  }
  return session.Fail(kExitRefused, ended);
}

// The image's type block, identification, parts and signatures, into the
// result and the text; returns the number of signed parts.
int32_t DescribeImage(Session& session, DriveContext& context, ImageRecord& image,
                      const StatusLog& log) {
  const uint8_t* buffer = context.buffers().image;
  const int32_t parts = CheckImageSignature(image, buffer);
  const bool identified = FindFileIdentification(context, image) == 0;
  const ImageTypeBlock* type =
      reinterpret_cast<const ImageTypeBlock*>(buffer + kImageTypeBlockOffset);
  const char* edition = EditionLabelFor(reinterpret_cast<const uint8_t*>(type->editionCode));

  nlohmann::json& j = session.result;
  j["interface"] = std::string(1, type->interfaceLetter);
  j["mechanism"] = std::string(1, type->mechanismLetter);
  j["edition"] = edition ? nlohmann::json(edition) : nlohmann::json();
  j["version"] = PrintableField(reinterpret_cast<const uint8_t*>(type->version), 4);
  const uint8_t* record = image.fileIdentification.data();
  j["identification"] = identified ? nlohmann::json(IdentificationText(
                                         record, image.fileIdentification.size(), context.language))
                                   : nlohmann::json();
  j["date"] = identified ? nlohmann::json(PrintableField(record + kDateOffset, kDateLength))
                         : nlohmann::json();
  j["parts"] = parts;
  nlohmann::json cpus = nlohmann::json::array();
  if (parts >= 1) cpus.push_back(PrintableField(image.imageCpuName.data(), kCpuNameLength));
  if (parts == 2) cpus.push_back(PrintableField(image.imageSecondCpuName.data(), kCpuNameLength));
  j["cpuNames"] = cpus;
  j["firmwareId"] = parts > 0 ? nlohmann::json(PrintableField(image.imageFirmwareId.data(),
                                                              image.imageFirmwareId.size()))
                              : nlohmann::json();

  std::string& text = session.text;
  text = ToolText(log.text()).text;
  text +=
      "Identification: " + (identified ? j["identification"].get<std::string>() : "none") + "\n";
  if (identified) text += "Date: " + j["date"].get<std::string>() + "\n";
  text += "Parts: " + std::to_string(parts) + "\n";
  for (const auto& cpu : cpus) text += "CPU: " + cpu.get<std::string>() + "\n";
  if (parts > 0) text += "Firmware id: " + j["firmwareId"].get<std::string>() + "\n";
  return parts;
}

// `firmware info --device`: the drive's CPU, the part it would get, and the
// verdict of an update of it with this image.
int DescribeDrive(Session& session, DriveContext& context, ImageRecord& image,
                  CliFirmwareView& view, StatusLog& log, const std::string& device) {
  nlohmann::json& j = session.result;
  std::string why;
  if (!session.host.Open(device, why)) return session.Fail(kExitUsage, why);
  const DriveIdentity identity = ReadDriveIdentity(context);
  nlohmann::json drive = IdentityJson(device, identity);
  if (!identity.supported) {
    session.host.Close();
    j["drive"] = drive;
    return session.Fail(kExitRefused, device + " is not a supported Kestrel drive");
  }
  if (ReadCpuIdentification(context, view) != 0) {
    session.host.Close();
    j["drive"] = drive;
    const std::string boxed = view.BoxFailure();
    return session.Fail(kExitRefused, "cannot read the CPU identification of " + device +
                                          (boxed.empty() ? "" : ": " + boxed));
  }
  session.host.Close();
  const DriveRecords& records = context.records;
  const ImagePart part = ImagePartFor(records);
  const std::string cpu =
      PrintableField(records.cpuIdentification.data() + kCpuNameOffset, kCpuNameLength);
  drive["cpu"] = cpu;
  drive["part"] = part.base == 0 ? "first" : "second";
  drive["partOffset"] = part.base;
  drive["trailerOffset"] = part.trailer;
  j["drive"] = drive;
  std::string& text = session.text;
  text += device + ": CPU " + cpu + ", generation " + std::to_string(identity.generation) +
          ", would get the " + drive["part"].get<std::string>() + " part (" + FlashOffset(part.base) +
          ") and the trailer at " + FlashOffset(part.trailer) + "\n";
  // The verdict of `update --dry-run` for this drive and file.
  const UpdateRun run = RunUpdate(session, context, image, view, log, device,
                                  UpdateChoices{true, false, false}, kProgrammingWaitSeconds);
  const int verdict = UpdateVerdict(session, run, view);
  if (verdict == kExitOk) text += "an update of " + device + " with this file passes every check\n";
  return verdict;
}

}  // namespace

bool LoadFirmwareFile(Session& session, const DriveContext& context, FirmwareLoader& loader,
                      const StatusLog& log, const std::string& path, int& status) {
  const FirmwareLoad load = loader.LoadFirmwareFile(path);
  session.result["file"] = loader.fileNameBuffer();
  if (load.outcome == LoadOutcome::FileError) {
    // The loader's cause is the Windows file layer's; the open says errno.
    std::FILE* file = std::fopen(path.c_str(), "rb");
    const int error = file == nullptr ? errno : EIO;
    if (file != nullptr) std::fclose(file);
    status = session.Fail(kExitUsage,
                          "cannot open the firmware file " + path + ": " + std::strerror(error));
    return false;
  }
  if (load.outcome == LoadOutcome::Rejected) {
    session.text = ToolText(log.text()).text;
    session.result["line"] = load.hex.lineNumber;
    std::string failure;
    AppendLoadFailure(load.hex, context.language, failure);
    const std::string reason = ToolText(failure).failure;
    status = session.Fail(kExitRefused, "firmware file rejected: " +
                                            (reason.empty() ? PlainText(failure) : reason));
    return false;
  }
  return true;
}

int ShowFirmwareInfo(Session& session, const std::string& hexPath, const std::string& device) {
  DriveContext context(session.host.Transport(), FirmwareProfile());
  CliFirmwareView view(session.prompter, device);
  ImageRecord image;
  StatusLog log(view);
  StdioFileSystem files;
  FirmwareLoader loader(context, image, view, log, files, kTarn9xFirmwareTraits);
  int status = kExitOk;
  if (!LoadFirmwareFile(session, context, loader, log, hexPath, status)) return status;
  if (DescribeImage(session, context, image, log) == 0) {
    return session.Fail(kExitRefused, "the image carries no maker signature");
  }
  if (device.empty()) return kExitOk;
  return DescribeDrive(session, context, image, view, log, device);
}

int BackUpFirmware(Session& session, const std::string& device, const std::string& outPath,
                   bool force) {
  session.result["device"] = device;
  session.result["file"] = outPath;
  const FileOutcome target = CheckBackupTarget(outPath, force);
  if (target.status != 0) return session.Fail(target.status, target.why);
  if (const int busy = session.Reserve(device)) return busy;
  DriveContext context(session.host.Transport(), FirmwareProfile());
  std::vector<uint8_t> flash;
  if (const int failed = ReadWholeFlash(session, context, device, flash, "; no file written")) {
    return failed;
  }
  const FileOutcome written = WriteBackupFile(outPath, flash, force);
  if (written.status != 0) return session.Fail(written.status, written.why);
  session.result["bytes"] = kFlashSize;
  session.text = "Read " + std::to_string(kFlashSize) + " bytes of flash from " + device +
                 " into " + outPath + ".\n";
  return kExitOk;
}

int UpdateFirmwareCommand(Session& session, const std::string& device, const std::string& hexPath,
                          uint32_t programmingWaitSeconds, const UpdateChoices& choices) {
  session.result["device"] = device;
  // Nobody could answer the question: refuse before anything is read or sent.
  if (!choices.dryRun && !session.prompter.CanAsk()) return session.Fail(kExitUsage, kNeedsYes);
  TransferProgress transfer(session.host.Transport());
  DriveContext context(transfer, FirmwareProfile());
  CliFirmwareView view(session.prompter, device);
  view.SetTransfer(&transfer);
  view.SetQuiet(session.quiet);
  ImageRecord image;
  StatusLog log(view);
  StdioFileSystem files;
  FirmwareLoader loader(context, image, view, log, files, kTarn9xFirmwareTraits);
  int status = kExitOk;
  if (!LoadFirmwareFile(session, context, loader, log, hexPath, status)) return status;
  const std::string blocker = session.host.FirmwareWriteBlocker(device);
  if (!blocker.empty() && !choices.dryRun) return session.Fail(kExitUsage, blocker);
  if (!choices.dryRun) {
    if (const int busy = session.Reserve(device)) return busy;
  }

  const UpdateRun run =
      RunUpdate(session, context, image, view, log, device, choices, programmingWaitSeconds);
  nlohmann::json& j = session.result;
  j["from"] = run.result.asked ? nlohmann::json(run.result.oldFirmware) : nlohmann::json();
  j["to"] = run.result.asked ? nlohmann::json(run.result.newFirmware) : nlohmann::json();
  j["verified"] = run.result.outcome == UpdateOutcome::Updated;
  session.text = ToolText(log.text()).text;
  if (view.WouldWrite()) {
    session.text += "dry run: every check passed; nothing was written\n";
    if (!blocker.empty()) session.text += "but: " + blocker + "\n";
  }
  return UpdateVerdict(session, run, view);
}

}  // namespace kestrel::cli
