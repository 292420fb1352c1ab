#include "firmware/update_procedure.h"

#include <cstring>

#include "firmware/firmware_messages.h"
#include "firmware/firmware_transfer.h"
#include "firmware/hex_image.h"

namespace kestrel {
namespace {

constexpr size_t kFirmwareIdLength = 16;

bool CpuNameMatches(const DriveRecords& records, const ImageRecord& image, int32_t imageParts) {
  const uint8_t* driveCpu = records.cpuIdentification.data() + kCpuNameOffset;
  if (std::memcmp(driveCpu, image.imageCpuName.data(), kCpuNameLength) == 0) return true;
  // Only a two-part image has a second CPU name; the zeros that stand in its
  // place otherwise must not pass a drive whose name reads as zeros.
  return imageParts == 2 &&
         std::memcmp(driveCpu, image.imageSecondCpuName.data(), kCpuNameLength) == 0;
}

}  // namespace

void CloseAndRediscover::Run(StatusLog& log, FirmwareView& view, DriveList& list) {
  log.Show(true);
  letters_.CloseDrive();
  discovery_.Discover(view, list, DiscoveryOccasion::AfterUpdate);
}

std::string FirmwareLine(const uint8_t* identification, const Language& language) {
  // "%.24s %.4s %.11s": vendor and product, revision, the bytes after it.
  return ImageFields(identification, {{0, 24}, {24, 4}, {28, 11}}, language);
}

namespace {

// The update up to its outcome; the confirmation's lines go into result.
UpdateOutcome Update(DriveContext& context, ImageRecord& image, FirmwareView& view, StatusLog& log,
                     DriveList& list, const UpdateRequest& request,
                     const UpdateStrategies& strategies, UpdateResult& result) {
  const Language language = context.language;
  DriveRecords& records = context.records;

  const SelectionCheck selection =
      CheckSelectedDrive(context, request.entryIndex, list, strategies.access);
  if (selection.result != 0) {
    log.appendToLog(selection.logText);
    return UpdateOutcome::NoDrive;
  }

  const int32_t imageParts = CheckImageSignature(image, context.buffers().image);
  if (imageParts == 0 || image.imageLoadFailed) {
    log.showLog(Pick(firmware_text::kFileNotAvailable, language));
    return UpdateOutcome::ImageNotAvailable;
  }

  if (ReadCpuIdentification(context, view) != 0) return UpdateOutcome::CpuReadFailed;

  if (!CpuNameMatches(records, image, imageParts)) {
    log.showLog(Pick(firmware_text::kCpuMismatch, language));
    return UpdateOutcome::CpuMismatch;
  }
  if (std::memcmp(records.cpuIdentification.data(), image.imageFirmwareId.data(),
                  kFirmwareIdLength) != 0) {
    log.showLog(Pick(firmware_text::kFileInappropriate, language));
    return UpdateOutcome::DriveMismatch;
  }

  // The preview shows the part at the current ImageBase, before this run's
  // transfer chooses the part to send.
  FindFileIdentification(context, image);
  result.asked = true;
  result.oldFirmware = FirmwareLine(records.driveIdentification.data(), language);
  result.newFirmware = FirmwareLine(image.fileIdentification.data(), language);
  if (!view.ConfirmUpdate(result.oldFirmware, result.newFirmware)) {
    return UpdateOutcome::Cancelled;
  }

  log.appendToLog(Pick(firmware_text::kStartUpdate, language));
  view.HoldSession(Pick(firmware_text::kSessionHoldReason, language));
  if (DownloadFirmware(context, image, view) != 0) {
    view.ReleaseSession();
    strategies.afterUpdate.Run(log, view, list);
    return UpdateOutcome::DownloadFailed;
  }
  if (!strategies.wait.Start(context)) {
    view.ReleaseSession();
    strategies.afterUpdate.Run(log, view, list);
    return UpdateOutcome::ProgrammingFailed;
  }

  view.OpenProgress();
  view.SetProgressRange(0, static_cast<int>(kProgrammingWaitSeconds), 1);
  strategies.timer.StartMsTimer();
  const bool programmed = strategies.wait.Wait(strategies.timer, view, language);
  strategies.timer.StopMsTimer();
  view.CloseProgress();

  // A command still outstanding owns the request: nothing is sent after it.
  const bool verified = programmed && CompareFirmware(context, image, kVerifyByteCount).outcome ==
                                          VerifyOutcome::Equal;
  view.ReleaseSession();
  if (verified) {
    log.showLog(Pick(firmware_text::kVerifySuccess, language));
    log.appendToLog(Pick(firmware_text::kUpdateSucceeded, language));
  } else {
    log.showLog(Pick(firmware_text::kVerifyFailure, language));
    log.appendToLog(Pick(firmware_text::kUpdateFailed, language));
  }
  strategies.afterUpdate.Run(log, view, list);
  return verified ? UpdateOutcome::Updated : UpdateOutcome::VerifyFailed;
}

}  // namespace

UpdateResult UpdateFirmware(DriveContext& context, ImageRecord& image, FirmwareView& view,
                            StatusLog& log, DriveList& list, const UpdateRequest& request,
                            const UpdateStrategies& strategies) {
  UpdateResult result;
  result.outcome = Update(context, image, view, log, list, request, strategies, result);
  return result;
}

}  // namespace kestrel
