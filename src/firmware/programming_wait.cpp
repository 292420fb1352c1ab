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
  // Its completion is learned by polling during the wait.
  commands_.Submit(FlashProgrammingCommand(context));
  return true;
}

uint32_t PolledProgrammingWait::Pause(MsTimer& timer, ProgressView& view) {
  for (uint32_t slept = 0; slept < kProgrammingPauseMs; slept += kPumpSliceMs) {
    view.Pump();
    timer.SleepMs(kPumpSliceMs);
  }
  view.Pump();
  return ElapsedSeconds(timer);
}

bool PolledProgrammingWait::Wait(MsTimer& timer, ProgressView& view, Language language) {
  ProgressCountdown countdown(view, language);
  uint32_t elapsed = 0;
  bool seenFinished = false;
  for (;;) {
    if (!seenFinished && commands_.Poll() != 1) {
      seenFinished = true;
      if (kProgrammingWaitSeconds - elapsed < kEarlyEndMarginSeconds) return true;
      commands_.PingAdapter();
    }
    countdown.Show(elapsed);
    elapsed = Pause(timer, view);
    countdown.Relabel();
    if (elapsed >= kProgrammingWaitSeconds) break;
  }
  return seenFinished || WaitForOverrun(timer, view, language);
}

bool PolledProgrammingWait::WaitForOverrun(MsTimer& timer, ProgressView& view, Language language) {
  // The drive is still writing its flash: verifying or switching off now
  // would harm it.
  constexpr uint32_t kLastSecond = kProgrammingWaitSeconds + kProgrammingOverrunSeconds;
  char label[160];
  for (uint32_t elapsed = ElapsedSeconds(timer); elapsed < kLastSecond;
       elapsed = Pause(timer, view)) {
    if (commands_.Poll() != 1) return true;
    std::snprintf(label, sizeof label, Pick(firmware_text::kStillProgramming, language),
                  static_cast<int>(kLastSecond - elapsed));
    view.SetProgressLabel(label);
  }
  return commands_.Poll() != 1;
}

bool ContinuousProgrammingWait::Start(DriveContext& context) {
  // A failed or timed-out command may still have started the programming:
  // the drive is left its 30 s and the verification decides.
  StartFlashProgramming(context);
  return true;
}

bool ContinuousProgrammingWait::Wait(MsTimer& timer, ProgressView& view, Language language) {
  ProgressCountdown countdown(view, language);
  uint32_t elapsed = 0;
  for (;;) {
    countdown.Show(elapsed);
    view.Pump();
    timer.SleepMs(kContinuousYieldMs);
    elapsed = ElapsedSeconds(timer);
    if (elapsed >= kProgrammingWaitSeconds) return true;
  }
}

}  // namespace kestrel
