// Time for the long waits, so that tests can run them on a virtual clock.
#pragma once
#include <cstdint>

namespace kestrel {

// The multimedia timer seen by MsTimer.
class TimerPort {
 public:
  virtual ~TimerPort() = default;
  virtual bool BeginPeriod(uint32_t periodMs) = 0;  // timeBeginPeriod accepted
  virtual void EndPeriod(uint32_t periodMs) = 0;
  virtual uint32_t TimeMs() = 0;                    // timeGetTime
  virtual void SleepMs(uint32_t pauseMs) = 0;       // Sleep
};

}  // namespace kestrel
