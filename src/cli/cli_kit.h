// The command-line tool's drive wiring for an update: the host's device as
// the one drive, the settling programming wait, nothing after the update
// (the device stays what it was), and the host's clock.
#pragma once
#include <cstdint>
#include <ostream>

#include "cli/drive_host.h"
#include "cli/host_drive_access.h"
#include "cli/settling_wait.h"
#include "drive/ms_timer.h"
#include "firmware/update_procedure.h"

namespace kestrel::cli {

struct CliKit {
  CliKit(DriveHost& host, uint32_t programmingWaitSeconds, ProgressLine& progress,
         std::ostream& err)
      : access(host), wait(programmingWaitSeconds, progress, err), timer(host.Timer(), 1) {}
  UpdateStrategies Update() { return {access, wait, afterUpdate, timer}; }

  HostDriveAccess access;
  CliProgrammingWait wait;
  NoAfterUpdateAction afterUpdate;
  MsTimer timer;
};

}  // namespace kestrel::cli
