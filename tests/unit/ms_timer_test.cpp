#include "drive/ms_timer.h"

#include <gtest/gtest.h>

#include <vector>

namespace kestrel {
namespace {

// A multimedia timer that accepts periods from a given one upwards, on a
// virtual clock.
class FakeTimerPort : public TimerPort {
 public:
  uint32_t firstAcceptedPeriod = 1;  // 0: every period is refused
  uint32_t nowMs = 5000;
  std::vector<uint32_t> begun;
  std::vector<uint32_t> ended;

  bool BeginPeriod(uint32_t periodMs) override {
    begun.push_back(periodMs);
    return firstAcceptedPeriod != 0 && periodMs >= firstAcceptedPeriod;
  }
  void EndPeriod(uint32_t periodMs) override { ended.push_back(periodMs); }
  uint32_t TimeMs() override { return nowMs; }
  void SleepMs(uint32_t pauseMs) override { nowMs += pauseMs; }
};

TEST(MsTimer, TriesPeriodsUpwardsAndEndsTheOneObtained) {
  FakeTimerPort port;
  port.firstAcceptedPeriod = 3;
  MsTimer timer(port, 7);
  timer.StartMsTimer();
  EXPECT_EQ(port.begun, (std::vector<uint32_t>{1, 2, 3}));
  EXPECT_EQ(timer.PeriodMs(), 3u);
  EXPECT_EQ(timer.StartTime(), 5000u);

  timer.SleepMs(30250);
  EXPECT_EQ(timer.ReadMsTimer(), 35250u);
  EXPECT_EQ((timer.ReadMsTimer() - timer.StartTime()) / 1000, 30u);

  timer.StopMsTimer();
  EXPECT_EQ(port.ended, (std::vector<uint32_t>{3}));
  timer.StopMsTimer();  // the period is ended once only
  EXPECT_EQ(port.ended, (std::vector<uint32_t>{3}));
}

TEST(MsTimer, ASystemRefusingEveryPeriodStillGetsAStartTime) {
  FakeTimerPort port;
  port.firstAcceptedPeriod = 0;
  MsTimer timer(port, 7);
  port.nowMs = 1234;
  timer.StartMsTimer();
  EXPECT_EQ(port.begun, (std::vector<uint32_t>{1, 2, 3, 4, 5, 6, 7}));
  EXPECT_EQ(timer.PeriodMs(), 0u);
  EXPECT_EQ(timer.StartTime(), 1234u);
  timer.StopMsTimer();
  EXPECT_TRUE(port.ended.empty());
}

TEST(MsTimer, AnOpenEndedSearchGivesUpAtTheLongestPeriod) {
  FakeTimerPort port;
  port.firstAcceptedPeriod = 0;
  MsTimer timer(port, 0xFFFFFFFF);
  timer.StartMsTimer();
  EXPECT_EQ(port.begun.size(), MsTimer::kLongestPeriodMs);
  ASSERT_FALSE(port.begun.empty());
  EXPECT_EQ(port.begun.back(), MsTimer::kLongestPeriodMs);
  EXPECT_EQ(timer.PeriodMs(), 0u);

  // A system that accepts late is still found.
  FakeTimerPort late;
  late.firstAcceptedPeriod = 16;
  MsTimer lateTimer(late, 0xFFFFFFFF);
  lateTimer.StartMsTimer();
  EXPECT_EQ(lateTimer.PeriodMs(), 16u);
}

TEST(MsTimer, ARestartDoesNotLeaveTheFirstPeriodRaised) {
  FakeTimerPort port;
  port.firstAcceptedPeriod = 2;
  MsTimer timer(port, 7);
  timer.StartMsTimer();
  timer.StartMsTimer();
  timer.StopMsTimer();
  EXPECT_EQ(port.ended, (std::vector<uint32_t>{2, 2}));
}

}  // namespace
}  // namespace kestrel
