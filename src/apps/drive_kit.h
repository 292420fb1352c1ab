// What the two transport kits share: the drive state of the program over
// the kit's transport, opened when the kit is made and released when it
// goes, and the update's stopwatch. The programming wait and the
// after-update action are made on first use, so that only the firmware
// utilities link them.
#pragma once
#include <cstdint>
#include <memory>

#include "drive/command_transport.h"
#include "drive/drive_context.h"
#include "drive/ms_timer.h"
#include "drive/program_profile.h"
#include "firmware/programming_wait.h"
#include "firmware/update_procedure.h"
#include "shell/clock.h"

namespace kestrel {

class DriveKit {
 public:
  DriveKit(const DriveKit&) = delete;
  DriveKit& operator=(const DriveKit&) = delete;

  DriveContext context;
  TimerPort& timerPort;  // the region utility's readiness pauses
  MsTimer timer;         // the firmware update's stopwatch

 protected:
  // A failure to open the transport shows itself in drive discovery.
  DriveKit(CommandTransport& commands, TimerPort& timers, const ProgramProfile& profile,
           uint32_t maxTimerPeriodMs)
      : context(commands, profile), timerPort(timers), timer(timers, maxTimerPeriodMs) {
    commands.InitDriveAccess();
  }
  ~DriveKit() { context.transport.ReleaseDriveAccess(); }

  std::unique_ptr<ProgrammingWait> wait_;
  std::unique_ptr<AfterUpdateAction> afterUpdate_;
};

}  // namespace kestrel
