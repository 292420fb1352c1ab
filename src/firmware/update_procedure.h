// UpdateFirmware: the Update button of FirmwareUpdateWindow.
#pragma once
#include <string>

#include "drive/command_transport.h"
#include "drive/discovery.h"
#include "drive/drive_access.h"
#include "drive/drive_context.h"
#include "drive/drive_entry.h"
#include "drive/ms_timer.h"
#include "firmware/firmware_view.h"
#include "firmware/image_record.h"
#include "firmware/programming_wait.h"
#include "firmware/status_log.h"

namespace kestrel {

constexpr uint32_t kVerifyByteCount = 0x20000;

// What follows an update attempt that reached the transfer (whatever its
// outcome): nothing in TARN9X; in TARN2K the drive is closed and the list
// rebuilt so that it shows the drive's new revision.
class AfterUpdateAction {
 public:
  virtual ~AfterUpdateAction() = default;
  virtual void Run(StatusLog& log, FirmwareView& view, DriveList& list) = 0;
};

class NoAfterUpdateAction final : public AfterUpdateAction {
 public:
  void Run(StatusLog&, FirmwareView&, DriveList&) override {}
};

class CloseAndRediscover final : public AfterUpdateAction {
 public:
  CloseAndRediscover(DriveLetterAccess& letters, DriveDiscovery& discovery)
      : letters_(letters), discovery_(discovery) {}
  void Run(StatusLog& log, FirmwareView& view, DriveList& list) override;

 private:
  DriveLetterAccess& letters_;
  DriveDiscovery& discovery_;
};

// The build's strategies, chosen by the program's entry point.
struct UpdateStrategies {
  DriveAccess& access;
  ProgrammingWait& wait;
  AfterUpdateAction& afterUpdate;
  MsTimer& timer;
};

// What the user chose when pressing Update: the drive list's selection, -1
// for none.
struct UpdateRequest {
  int entryIndex = -1;
};

// How far a run got; the window does not need it, tests do.
enum class UpdateOutcome {
  NoDrive,            // CheckSelectedDrive refused
  ImageNotAvailable,  // no maker signature in the image, or the last load failed
  CpuReadFailed,
  CpuMismatch,
  DriveMismatch,
  Cancelled,
  DownloadFailed,
  ProgrammingFailed,  // the wait's Start refused to go on (the command-line tool)
  VerifyFailed,
  Updated,
};

struct UpdateResult {
  UpdateOutcome outcome = UpdateOutcome::NoDrive;
  // The confirmation's two lines, once it was asked: the drive's firmware and
  // the file's.
  bool asked = false;
  std::string oldFirmware, newFirmware;
};

UpdateResult UpdateFirmware(DriveContext& context, ImageRecord& image, FirmwareView& view,
                            StatusLog& log, DriveList& list, const UpdateRequest& request,
                            const UpdateStrategies& strategies);

// "%.24s %.4s %.11s": vendor and product, revision, the 11 bytes after it.
std::string FirmwareLine(const uint8_t* identification, const Language& language);

}  // namespace kestrel
