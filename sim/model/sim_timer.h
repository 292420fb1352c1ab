// A TimerPort on the bus clock, so that waits in native tests pass in virtual
// time: SleepMs moves the clock, and every TimeMs reading moves it a little
// (a busy-reading loop would otherwise never end).
#pragma once
#include <cstdint>
#include <vector>

#include "shell/clock.h"
#include "sim/model/bus.h"

namespace kestrel::sim {

class SimTimer : public TimerPort {
 public:
  explicit SimTimer(Bus& bus, uint64_t msPerReading = 1) : bus_(bus), msPerReading_(msPerReading) {}

  bool BeginPeriod(uint32_t periodMs) override;
  void EndPeriod(uint32_t periodMs) override { ended_.push_back(periodMs); }
  uint32_t TimeMs() override;
  void SleepMs(uint32_t pauseMs) override;

  // Periods below this are refused (1: all accepted; 0xFFFFFFFF: none).
  void SetSmallestPeriod(uint32_t periodMs) { smallestPeriod_ = periodMs; }
  // The timer's count at clock 0 (to test wrap-around).
  void SetBaseMs(uint32_t baseMs) { baseMs_ = baseMs; }
  const std::vector<uint32_t>& BegunPeriods() const { return begun_; }
  const std::vector<uint32_t>& EndedPeriods() const { return ended_; }
  const std::vector<uint32_t>& Sleeps() const { return sleeps_; }
  int Readings() const { return readings_; }

 private:
  Bus& bus_;
  uint64_t msPerReading_;
  uint32_t smallestPeriod_ = 1;
  uint32_t baseMs_ = 0;
  std::vector<uint32_t> begun_, ended_, sleeps_;
  int readings_ = 0;
};

}  // namespace kestrel::sim
