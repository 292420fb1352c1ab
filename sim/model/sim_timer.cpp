#include "sim/model/sim_timer.h"

namespace kestrel::sim {

bool SimTimer::BeginPeriod(uint32_t periodMs) {
  if (periodMs < smallestPeriod_) return false;
  begun_.push_back(periodMs);
  return true;
}

uint32_t SimTimer::TimeMs() {
  ++readings_;
  auto now = static_cast<uint32_t>(bus_.NowMs()) + baseMs_;
  bus_.AdvanceMs(msPerReading_);
  return now;
}

void SimTimer::SleepMs(uint32_t pauseMs) {
  sleeps_.push_back(pauseMs);
  bus_.AdvanceMs(pauseMs);
}

}  // namespace kestrel::sim
