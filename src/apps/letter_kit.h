// The pass-through builds' drive wiring: the drive letters' discovery and
// access, the continuous programming wait, and after an update the drive
// closed and the list made again. Built over the pass-through transport by
// the 2K entry points and over the simulated drive by the tests.
#pragma once
#include "apps/drive_kit.h"
#include "apps/program_table.h"
#include "transport/passthrough/letter_discovery.h"
#include "transport/passthrough/letter_drive_access.h"
#include "transport/passthrough/passthrough_transport.h"

namespace kestrel {

class LetterKit final : public DriveKit {
 public:
  // commands: where the commands go (the transport itself, or a recorder in
  // front of it); letters: the transport's drive-letter side.
  LetterKit(CommandTransport& commands, DriveLetterAccess& letters, TimerPort& timers,
            const ProgramProfile& profile, uint32_t maxTimerPeriodMs)
      : DriveKit(commands, timers, profile, maxTimerPeriodMs),
        discovery(context, letters),
        access(letters),
        letters_(letters) {}
  // Any transport with both sides, e.g. PassThroughTransport.
  template <class Transport>
  LetterKit(Transport& transport, TimerPort& timers, const ProgramProfile& profile,
            uint32_t maxTimerPeriodMs = kPassThroughTimerPeriodMs)
      : LetterKit(transport, transport, timers, profile, maxTimerPeriodMs) {}
  LetterKit(PassThroughTransport& transport, TimerPort& timers, const ProgramRow& row)
      : LetterKit(transport, timers, *row.drive, row.maxTimerPeriodMs) {}

  UpdateStrategies Update() {
    if (!wait_) wait_ = std::make_unique<ContinuousProgrammingWait>();
    if (!afterUpdate_) afterUpdate_ = std::make_unique<CloseAndRediscover>(letters_, discovery);
    return {access, *wait_, *afterUpdate_, timer};
  }

  LetterDiscovery discovery;
  LetterDriveAccess access;

 private:
  DriveLetterAccess& letters_;
};

}  // namespace kestrel
