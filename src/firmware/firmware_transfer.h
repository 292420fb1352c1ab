// Composite operations of the firmware utilities: reading the drive's CPU
// identification, sending, reading back and comparing a firmware image,
// finding the image's identification record.
#pragma once
#include <cstdint>

#include "drive/drive_context.h"
#include "firmware/image_record.h"
#include "shell/views.h"

namespace kestrel {

// The drive keeps bytes 400h-44Fh of the first block to itself; they differ
// after programming and are not compared.
constexpr uint32_t kDriveOwnedStart = 0x400;
constexpr uint32_t kDriveOwnedEnd = 0x450;

// 0 read; -1 failure, after the sense report has been shown.
int32_t ReadCpuIdentification(DriveContext& context, MessageBoxView& view);
// Where in ImageBuffer the part a drive gets starts, and its trailer, by the
// drive's generation and CPU identification.
struct ImagePart {
  uint32_t base;
  uint32_t trailer;
};
ImagePart ImagePartFor(const DriveRecords& records);
// Chooses the image part to send (image.imageBase) from the drive's
// generation and CPU; 0 all blocks accepted; -1 failure, after the sense
// report has been shown.
int32_t DownloadFirmware(DriveContext& context, ImageRecord& image, MessageBoxView& view);
// What the read-back found, beside the status the programs report: an ASPI
// read failure is -1 too, and is no difference in the first part.
enum class VerifyOutcome {
  Equal,
  FirstPartDiffers,
  SecondPartDiffers,
  LaterPartDiffers,
  ReadFailed
};
struct VerifyResult {
  int32_t status = 0;  // as VerifyFirmware returns it
  VerifyOutcome outcome = VerifyOutcome::Equal;
};
VerifyResult CompareFirmware(DriveContext& context, const ImageRecord& image, uint32_t byteCount);
// 0 equal; -1, -2, -3 difference in the first, second or a later part; else
// the failed read's result.
int32_t VerifyFirmware(DriveContext& context, const ImageRecord& image, uint32_t byteCount);
// 0 marker found; -1 not found (the date is written either way).
int32_t FindFileIdentification(DriveContext& context, ImageRecord& image);

}  // namespace kestrel
