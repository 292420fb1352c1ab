// The multimedia timer and Sleep behind MsTimer and the programs' pauses.
#pragma once
#include "shell/clock.h"

namespace kestrel::win32 {

class Win32TimerPort : public TimerPort {
 public:
  bool BeginPeriod(uint32_t periodMs) override;
  void EndPeriod(uint32_t periodMs) override;
  uint32_t TimeMs() override;
  void SleepMs(uint32_t pauseMs) override;
};

}  // namespace kestrel::win32
