// TimerPort on the monotonic clock, for the waits on a real drive.
#pragma once
#include "shell/clock.h"

namespace kestrel::cli {

class SteadyTimer final : public TimerPort {
 public:
  bool BeginPeriod(uint32_t) override { return true; }
  void EndPeriod(uint32_t) override {}
  uint32_t TimeMs() override;
  void SleepMs(uint32_t pauseMs) override;
};

}  // namespace kestrel::cli
