// How the update starts flash programming and waits the 30 seconds the drive
// needs: the one place where TARN9X and TARN2K wait differently.
#pragma once
#include <cstdint>
#include <string>

#include "drive/command_transport.h"
#include "drive/drive_context.h"
#include "drive/ms_timer.h"
#include "shell/language.h"
#include "shell/views.h"

namespace kestrel {

constexpr uint32_t kProgrammingWaitSeconds = 30;
constexpr uint32_t kEarlyEndMarginSeconds = 5;
// TARN9X: how much longer a programming command still outstanding after the
// 30 s is waited for before the update is given up.
constexpr uint32_t kProgrammingOverrunSeconds = 90;
constexpr uint32_t kProgrammingPauseMs = 1000;
// The pause is slept in slices this long, the window being pumped between
// them, so that both windows keep painting.
constexpr uint32_t kPumpSliceMs = 50;
// TARN2K reads the clock without pausing; it yields this long between
// readings so as not to spin a processor.
constexpr uint32_t kContinuousYieldMs = 10;

// "Remaining time to complete about %d sec" in the language.
std::string RemainingTimeText(Language language, uint32_t remainingSeconds);

// Moves the bar one step for every whole second not yet shown, and labels the
// seconds left. Shared by both waits.
class ProgressCountdown {
 public:
  ProgressCountdown(ProgressView& view, Language language) : view_(view), language_(language) {}
  void Show(uint32_t elapsedSeconds);
  // Sets the label again to its last text (nothing before the first).
  void Relabel();

 private:
  ProgressView& view_;
  Language language_;
  uint32_t shown_ = 0;
  std::string label_;
};

class ProgrammingWait {
 public:
  virtual ~ProgrammingWait() = default;
  // Sends StartFlashProgramming; false when the update must stop here. The
  // windows never stop: the verification after the wait decides.
  virtual bool Start(DriveContext& context) = 0;
  // Runs between StartMsTimer and StopMsTimer, with ProgressWindow open.
  // false when the programming command is still outstanding at its end.
  virtual bool Wait(MsTimer& timer, ProgressView& view, Language language) = 0;
};

// TARN9X: the programming command is submitted and polled; the clock is read
// once per 1000 ms pause. When the command is first seen finished with fewer
// than 5 s left the wait ends at once; seen earlier, the adapter is pinged
// once and the wait runs its full 30 s. Still outstanding then, it is waited
// for at most 90 s more, the label saying so.
class PolledProgrammingWait final : public ProgrammingWait {
 public:
  explicit PolledProgrammingWait(AsyncCommands& commands) : commands_(commands) {}
  bool Start(DriveContext& context) override;
  bool Wait(MsTimer& timer, ProgressView& view, Language language) override;

 private:
  // One pause, the windows pumped; the seconds since the wait began.
  uint32_t Pause(MsTimer& timer, ProgressView& view);
  bool WaitForOverrun(MsTimer& timer, ProgressView& view, Language language);

  AsyncCommands& commands_;
};

// TARN2K: the programming command is executed, whatever its status; the
// clock is then read continuously until 30 s have passed.
class ContinuousProgrammingWait final : public ProgrammingWait {
 public:
  bool Start(DriveContext& context) override;
  bool Wait(MsTimer& timer, ProgressView& view, Language language) override;
};

}  // namespace kestrel
