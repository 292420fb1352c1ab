// The ASPI builds' drive wiring: adapter-and-target discovery and access,
// the polled programming wait, nothing after an update. Built over the
// manager by the 9X entry points and over the simulated drive by the tests.
#pragma once
#include "apps/drive_kit.h"
#include "apps/program_table.h"
#include "transport/aspi/aspi_discovery.h"
#include "transport/aspi/aspi_drive_access.h"
#include "transport/aspi/aspi_transport.h"

namespace kestrel {

class AspiKit final : public DriveKit {
 public:
  // commands: where the commands go (the transport itself, or a recorder in
  // front of it); bus and async: the transport's adapter and polling sides.
  AspiKit(CommandTransport& commands, AdapterBus& bus, AsyncCommands& async, TimerPort& timers,
          const ProgramProfile& profile, uint32_t maxTimerPeriodMs)
      : DriveKit(commands, timers, profile, maxTimerPeriodMs),
        discovery(context, bus),
        access(bus),
        async_(async) {}
  // Any transport with all three sides, e.g. AspiTransport.
  template <class Transport>
  AspiKit(Transport& transport, TimerPort& timers, const ProgramProfile& profile,
          uint32_t maxTimerPeriodMs = kAspiTimerPeriodMs)
      : AspiKit(transport, transport, transport, timers, profile, maxTimerPeriodMs) {}
  AspiKit(AspiTransport& transport, TimerPort& timers, const ProgramRow& row)
      : AspiKit(transport, timers, *row.drive, row.maxTimerPeriodMs) {}

  UpdateStrategies Update() {
    if (!wait_) wait_ = std::make_unique<PolledProgrammingWait>(async_);
    if (!afterUpdate_) afterUpdate_ = std::make_unique<NoAfterUpdateAction>();
    return {access, *wait_, *afterUpdate_, timer};
  }

  AspiDiscovery discovery;
  AspiDriveAccess access;

 private:
  AsyncCommands& async_;
};

}  // namespace kestrel
