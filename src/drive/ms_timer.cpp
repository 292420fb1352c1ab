#include "drive/ms_timer.h"

#include <algorithm>

namespace kestrel {

void MsTimer::StartMsTimer() {
  // A second start without a stop would leave the first period raised.
  if (periodMs_ != 0) port_.EndPeriod(periodMs_);
  periodMs_ = 0;
  const uint32_t longest = std::min(maxPeriodMs_, kLongestPeriodMs);
  for (uint32_t period = 1; period <= longest; ++period) {
    if (port_.BeginPeriod(period)) {
      periodMs_ = period;
      break;
    }
  }
  // The stopwatch runs even at the default resolution.
  startMs_ = port_.TimeMs();
}

void MsTimer::StopMsTimer() {
  if (periodMs_ != 0) port_.EndPeriod(periodMs_);
  periodMs_ = 0;
}

uint32_t MsTimer::ReadMsTimer() {
  lastMs_ = port_.TimeMs();
  return lastMs_;
}

}  // namespace kestrel
