// A program's own kit over the simulated drive: AspiKit for the ASPI
// builds, LetterKit for the pass-through builds, so the rigs wire the
// operations as the entry points do.
#pragma once
#include <optional>

#include "apps/aspi_kit.h"
#include "apps/letter_kit.h"
#include "sim/model/direct_transport.h"

namespace kestrel::testing {

class SimKit {
 public:
  // The direct transport is both kinds; `aspi` picks the build.
  SimKit(bool aspi, sim::DirectTransport& transport, TimerPort& timers,
         const ProgramProfile& profile) {
    if (aspi) {
      aspi_.emplace(transport, timers, profile);
    } else {
      letter_.emplace(transport, timers, profile);
    }
  }
  // commands: a recorder in front of the real transport.
  SimKit(CommandTransport& commands, AspiTransport& transport, TimerPort& timers,
         const ProgramProfile& profile) {
    aspi_.emplace(commands, transport, transport, timers, profile, kAspiTimerPeriodMs);
  }
  SimKit(CommandTransport& commands, PassThroughTransport& transport, TimerPort& timers,
         const ProgramProfile& profile) {
    letter_.emplace(commands, transport, timers, profile, kPassThroughTimerPeriodMs);
  }

  DriveContext& Context() { return aspi_ ? aspi_->context : letter_->context; }
  DriveDiscovery& Discovery() {
    if (aspi_) return aspi_->discovery;
    return letter_->discovery;
  }
  DriveAccess& Access() {
    if (aspi_) return aspi_->access;
    return letter_->access;
  }
  TimerPort& Timer() { return aspi_ ? aspi_->timerPort : letter_->timerPort; }
  UpdateStrategies Update() { return aspi_ ? aspi_->Update() : letter_->Update(); }

 private:
  std::optional<AspiKit> aspi_;
  std::optional<LetterKit> letter_;
};

}  // namespace kestrel::testing
