// Composite operations of the firmware utilities: recognising a supported
// drive, reading its CPU identification, sending, reading back and comparing
// a firmware image, finding the image's identification record.
#pragma once
#include <cstdint>
#include <optional>

#include "drive/drive_context.h"
#include "shell/views.h"

namespace kestrel {

// 0 supported; 1 not in the table; -1 INQUIRY failed. With an ASPI address the
// current address is set for the INQUIRY and restored afterwards; without one
// the current (open) drive is asked.
int32_t CheckSupportedDrive(DriveContext& context, AdapterBus* bus,
                            std::optional<AspiAddress> address);
// 0 read; -1 failure, after the sense report has been shown.
int32_t ReadCpuIdentification(DriveContext& context, MessageBoxView& view);
// Where in ImageBuffer the part a drive gets starts, and its trailer, by the
// drive's generation and CPU identification.
struct ImagePart {
  uint32_t base;
  uint32_t trailer;
};
ImagePart ImagePartFor(const DriveRecords& records);
// 0 all blocks accepted; -1 failure, after the sense report has been shown.
int32_t DownloadFirmware(DriveContext& context, MessageBoxView& view);
// 0 equal; -1, -2, -3 difference in the first, second or a later part; else
// the failed read's result.
int32_t VerifyFirmware(DriveContext& context, uint32_t byteCount);
// 0 marker found; -1 not found (the date is written either way).
int32_t FindFileIdentification(DriveContext& context);
// REQUEST SENSE and the "Sense Code : ..." box.
void ReportSense(DriveContext& context, MessageBoxView& view);

}  // namespace kestrel
