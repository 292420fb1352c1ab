// kestrel firmware info | backup | update.
#include <cstdio>
#include <cstring>
#include <vector>

#include "cli/backup_file.h"
#include "cli/commands.h"
#include "cli/device_selector.h"
#include "cli/drive_identity.h"
#include "cli/firmware_view.h"
#include "cli/programming_wait.h"
#include "drive/cdb_builders.h"
#include "drive/command_set.h"
#include "drive/ms_timer.h"
#include "drive/program_profile.h"
#include "drive/sense.h"
#include "drive/sense_report.h"
#include "firmware/firmware_loader.h"
#include "firmware/firmware_transfer.h"
#include "firmware/hex_image.h"
#include "firmware/status_log.h"
#include "firmware/update_procedure.h"

namespace kestrel::cli {
namespace {

constexpr uint32_t kFlashSize = 0x20000;
constexpr uint16_t kReadBlock = 0x8000;
constexpr size_t kDateOffset = 29;
constexpr size_t kCpuNameOffset = 16;  // in the CPU identification block

// The firmware commands run with the whole 88-byte identification records.
const ProgramProfile& FirmwareProfile() { return kTarn9xProfile; }

std::string Hex(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%05Xh", value);
  return text;
}

// Loads the file with the window's loader; false after a failure recorded in
// the session.
bool LoadFile(Session& session, FirmwareLoader& loader, CliFirmwareView& view, StatusLog& log,
              int& status) {
  loader.LoadFirmwareFile();
  session.result["file"] = loader.fileNameBuffer();
  if (view.FileError()) {
    status = session.Fail(kExitUsage, "cannot open the firmware file");
    return false;
  }
  if (!loader.lastResult().normal()) {
    session.text = PlainText(log.text());
    session.result["line"] = loader.lastResult().lineNumber;
    std::string reason = PlainText(log.text());
    // The log's last line says why the load stopped.
    while (!reason.empty() && reason.back() == '\n') reason.pop_back();
    const size_t cut = reason.rfind('\n');
    if (cut != std::string::npos) reason = reason.substr(cut + 1);
    status = session.Fail(kExitRefused, "firmware file rejected: " + reason);
    return false;
  }
  return true;
}

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

}  // namespace

int ShowFirmwareInfo(Session& session, const std::string& hexPath, const std::string& device) {
  DriveContext context(session.host.Transport(), FirmwareProfile());
  CliFirmwareView view(session.prompter, hexPath, device);
  ImageRecord image;
  StatusLog log(view);
  StdioFileSystem files;
  FirmwareLoader loader(context, image, view, log, files, kTarn9xFirmwareTraits);
  int status = kExitOk;
  if (!LoadFile(session, loader, view, log, status)) return status;

  DriveRecords& records = context.records;
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
  j["identification"] =
      identified
          ? nlohmann::json(IdentificationText(image.fileIdentification.data(),
                                              image.fileIdentification.size(), context.language))
          : nlohmann::json();
  j["date"] =
      identified ? nlohmann::json(PrintableField(image.fileIdentification.data() + kDateOffset, 10))
                 : nlohmann::json();
  j["parts"] = parts;
  nlohmann::json cpus = nlohmann::json::array();
  if (parts >= 1) cpus.push_back(PrintableField(image.imageCpuName.data(), 16));
  if (parts == 2) cpus.push_back(PrintableField(image.imageSecondCpuName.data(), 16));
  j["cpuNames"] = cpus;
  j["firmwareId"] = parts > 0 ? nlohmann::json(PrintableField(image.imageFirmwareId.data(), 16))
                              : nlohmann::json();

  std::string& text = session.text;
  text = PlainText(log.text());
  if (!text.empty() && text.back() != '\n') text += '\n';
  text +=
      "Identification: " + (identified ? j["identification"].get<std::string>() : "none") + "\n";
  if (identified) text += "Date: " + j["date"].get<std::string>() + "\n";
  text += "Parts: " + std::to_string(parts) + "\n";
  for (const auto& cpu : cpus) text += "CPU: " + cpu.get<std::string>() + "\n";
  if (parts > 0) text += "Firmware id: " + j["firmwareId"].get<std::string>() + "\n";
  if (parts == 0) return session.Fail(kExitRefused, "the image carries no maker signature");

  if (device.empty()) return kExitOk;
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
    return session.Fail(kExitRefused, "cannot read the CPU identification of " + device);
  }
  session.host.Close();
  const ImagePart part = ImagePartFor(records);
  const std::string cpu = PrintableField(records.cpuIdentification.data() + kCpuNameOffset, 16);
  drive["cpu"] = cpu;
  drive["part"] = part.base == 0 ? "first" : "second";
  drive["partOffset"] = part.base;
  drive["trailerOffset"] = part.trailer;
  j["drive"] = drive;
  text += device + ": CPU " + cpu + ", generation " + std::to_string(identity.generation) +
          ", would get the " + drive["part"].get<std::string>() + " part (" + Hex(part.base) +
          ") and the trailer at " + Hex(part.trailer) + "\n";
  return kExitOk;
}

int BackUpFirmware(Session& session, const std::string& device, const std::string& outPath,
                   bool force) {
  session.result["device"] = device;
  session.result["file"] = outPath;
  const FileOutcome target = CheckBackupTarget(outPath, force);
  if (target.status != 0) return session.Fail(target.status, target.why);
  DriveContext context(session.host.Transport(), FirmwareProfile());
  std::string why;
  if (!session.host.Open(device, why)) return session.Fail(kExitUsage, why);
  const DriveIdentity identity = ReadDriveIdentity(context);
  if (!identity.supported) {
    session.host.Close();
    return session.Fail(kExitRefused, device + " is not a supported Kestrel drive");
  }
  // Every block is read twice, into a buffer first filled with FFh and into
  // one filled with 00h: a byte the drive does not send keeps the fill, so a
  // short transfer cannot pass for data.
  std::vector<uint8_t> flash(kFlashSize), check(kReadBlock);
  const std::vector<uint8_t> zeros(kReadBlock, 0x00), ones(kReadBlock, 0xFF);
  for (uint32_t offset = 0; offset < kFlashSize; offset += kReadBlock) {
    uint8_t* block = flash.data() + offset;
    if (ReadDriveBufferToCompare(context, kReadBackId, offset, kReadBlock, block, zeros.data()) !=
            0 ||
        ReadDriveBufferToCompare(context, kReadBackId, offset, kReadBlock, check.data(),
                                 ones.data()) != 0) {
      SendRequestSense(context);
      const std::string refusal = session.host.Refusal();
      session.host.Close();
      if (!refusal.empty()) return session.Fail(kExitUsage, refusal + "; no file written");
      return session.Fail(kExitRefused, "READ BUFFER failed at " + Hex(offset) + " (" +
                                            FormatSenseReport(DecodeSense(context.buffers())) +
                                            "); no file written");
    }
    if (std::memcmp(block, check.data(), kReadBlock) != 0) {
      session.host.Close();
      return session.Fail(kExitRefused, "the drive sent less than 8000h bytes at " + Hex(offset) +
                                            "; no file written");
    }
  }
  session.host.Close();
  const FileOutcome written = WriteBackupFile(outPath, flash, force);
  if (written.status != 0) return session.Fail(written.status, written.why);
  session.result["bytes"] = kFlashSize;
  session.text = "read " + std::to_string(kFlashSize) + " bytes of flash from " + device +
                 " into " + outPath + "\n";
  return kExitOk;
}

int UpdateFirmwareCommand(Session& session, const std::string& device, const std::string& hexPath,
                          uint32_t programmingWaitSeconds) {
  session.result["device"] = device;
  // Nobody could answer the question: refuse before anything is read or sent.
  if (!session.prompter.CanAsk()) return session.Fail(kExitUsage, kNeedsYes);
  DriveContext context(session.host.Transport(), FirmwareProfile());
  CliFirmwareView view(session.prompter, hexPath, device);
  ImageRecord image;
  StatusLog log(view);
  StdioFileSystem files;
  FirmwareLoader loader(context, image, view, log, files, kTarn9xFirmwareTraits);
  int status = kExitOk;
  if (!LoadFile(session, loader, view, log, status)) return status;
  const std::string blocker = session.host.FirmwareWriteBlocker();
  if (!blocker.empty()) return session.Fail(kExitUsage, blocker);

  DriveList list;
  ListOneDevice(list, view, device);
  DeviceSelector selector(session.host);
  CliProgrammingWait wait(programmingWaitSeconds);
  NoAfterUpdateAction after;
  MsTimer timer(session.host.Timer(), 1);
  const UpdateOutcome outcome = UpdateFirmware(context, image, view, log, list,
                                               UpdateStrategies{selector, wait, after, timer});
  const std::string refusal = session.host.Refusal();
  session.host.Close();

  nlohmann::json& j = session.result;
  j["outcome"] = OutcomeName(outcome);
  j["from"] = view.Asked() ? nlohmann::json(view.From()) : nlohmann::json();
  j["to"] = view.Asked() ? nlohmann::json(view.To()) : nlohmann::json();
  j["verified"] = outcome == UpdateOutcome::Updated;
  session.text = PlainText(log.text());
  if (!session.text.empty() && session.text.back() != '\n') session.text += '\n';

  if (outcome == UpdateOutcome::Updated) return kExitOk;
  if (!selector.OpenError().empty()) return session.Fail(kExitUsage, selector.OpenError());
  if (!refusal.empty()) return session.Fail(kExitUsage, refusal);
  if (outcome == UpdateOutcome::Cancelled && session.prompter.RefusedWithoutTerminal()) {
    return session.Fail(kExitUsage, kNeedsYes);
  }
  return session.Fail(kExitRefused, std::string("firmware update ended: ") + OutcomeName(outcome));
}

}  // namespace kestrel::cli
