#include "firmware/programming_wait.h"

#include <cstdio>

#include "drive/command_set.h"
#include "firmware/firmware_messages.h"

namespace kestrel {
namespace {

uint32_t ElapsedSeconds(MsTimer& timer) {
  // Unsigned difference: correct across the 49-day wrap of the counter.
  return (timer.ReadMsTimer() - timer.StartTime()) / 1000;
}

}  // namespace

std::string RemainingTimeText(Language language, uint32_t remainingSeconds) {
  char text[96];
  std::snprintf(text, sizeof text, Pick(firmware_text::kRemainingTime, language),
                static_cast<int>(remainingSeconds));
  return text;
}

void ProgressCountdown::Show(uint32_t elapsedSeconds) {
  if (shown_ >= elapsedSeconds) return;
  for (uint32_t step = shown_; step < elapsedSeconds; ++step) view_.StepProgress();
  shown_ = elapsedSeconds;
  const uint32_t remaining =
      elapsedSeconds < kProgrammingWaitSeconds ? kProgrammingWaitSeconds - elapsedSeconds : 0;
  label_ = RemainingTimeText(language_, remaining);
  view_.SetProgressLabel(label_);
}

void ProgressCountdown::Relabel() {
  if (!label_.empty()) view_.SetProgressLabel(label_);
}

bool PolledProgrammingWait::Start(DriveContext& context) {
  // Its completion is learned by polling during the wait; its status is
  // never used, the verification decides.
  commands_.Submit(FlashProgrammingCommand(context));
  return true;
}

void PolledProgrammingWait::Wait(MsTimer& timer, ProgressView& view, Language language) {
  ProgressCountdown countdown(view, language);
  uint32_t elapsed = 0;
  bool seenFinished = false;
  for (;;) {
    if (!seenFinished && commands_.Poll() != 1) {
      seenFinished = true;
      if (kProgrammingWaitSeconds - elapsed < kEarlyEndMarginSeconds) return;
      commands_.PingAdapter();
    }
    countdown.Show(elapsed);
    for (uint32_t slept = 0; slept < kProgrammingPauseMs; slept += kPumpSliceMs) {
      view.Pump();
      timer.SleepMs(kPumpSliceMs);
    }
    view.Pump();
    countdown.Relabel();
    elapsed = ElapsedSeconds(timer);
    if (elapsed >= kProgrammingWaitSeconds) return;
  }
}

bool ContinuousProgrammingWait::Start(DriveContext& context) {
  return StartFlashProgramming(context) == 0;
}

void ContinuousProgrammingWait::Wait(MsTimer& timer, ProgressView& view, Language language) {
  ProgressCountdown countdown(view, language);
  uint32_t elapsed = 0;
  for (;;) {
    countdown.Show(elapsed);
    view.Pump();
    timer.SleepMs(kContinuousYieldMs);
    elapsed = ElapsedSeconds(timer);
    if (elapsed >= kProgrammingWaitSeconds) return;
  }
}

}  // namespace kestrel
