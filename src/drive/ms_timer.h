// Millisecond stopwatch on the multimedia timer with raised resolution.
#pragma once
#include <cstdint>

#include "shell/clock.h"

namespace kestrel {

class MsTimer {
 public:
  // No period longer than this is ever tried, whatever maxPeriodMs asks for:
  // a system that refuses every period must not keep StartMsTimer busy.
  static constexpr uint32_t kLongestPeriodMs = 1000;
  // maxPeriodMs: the largest timer period tried (7 on the ASPI builds).
  MsTimer(TimerPort& port, uint32_t maxPeriodMs) : port_(port), maxPeriodMs_(maxPeriodMs) {}
  void StartMsTimer();
  void StopMsTimer();
  uint32_t ReadMsTimer();
  uint32_t StartTime() const { return startMs_; }
  uint32_t PeriodMs() const { return periodMs_; }  // 0: no period was obtained
  void SleepMs(uint32_t pauseMs) { port_.SleepMs(pauseMs); }

 private:
  TimerPort& port_;
  uint32_t maxPeriodMs_;
  uint32_t periodMs_ = 0;
  uint32_t startMs_ = 0;
  uint32_t lastMs_ = 0;
};

}  // namespace kestrel
