#include "cli/settling_wait.h"

#include <algorithm>

#include "drive/command_set.h"
#include "drive/sense.h"

namespace kestrel::cli {

bool CliProgrammingWait::Start(DriveContext& context) {
  context_ = &context;
  ScsiCommand command = FlashProgrammingCommand(context);
  command.timeoutSeconds = kProgrammingTimeoutSeconds;
  startFailed_ = context.transport.Execute(command) != 0;
  if (startFailed_) {
    if (progress_) progress_->Close();
    err_ << "kestrel: " << kProgrammingUnsure << "\n";
  }
  return true;
}

bool CliProgrammingWait::Wait(MsTimer& timer, ProgressView&, Language) {
  auto begin = [this](const std::string& phase, uint32_t total) {
    if (progress_) progress_->Begin(phase, total);
  };
  auto advance = [this](uint32_t done, uint32_t total) {
    if (progress_) progress_->Advance(done, static_cast<int>(total - done));
  };
  begin("waiting " + std::to_string(waitSeconds_) + " s for the flash to be programmed",
                  waitSeconds_);
  const uint32_t start = timer.StartTime();
  const uint32_t waitMs = waitSeconds_ * 1000;
  for (;;) {
    const uint32_t elapsed = timer.ReadMsTimer() - start;
    const uint32_t seconds = std::min(elapsed / 1000, waitSeconds_);
    advance(seconds, waitSeconds_);
    if (elapsed >= waitMs) break;
    timer.SleepMs(std::min<uint32_t>(kProgrammingPauseMs, waitMs - elapsed));
  }
  const uint32_t settleStart = timer.ReadMsTimer();
  bool settling = false;
  while (StillProgramming() && timer.ReadMsTimer() - settleStart < kSettleLimitMs) {
    if (!settling) {
      begin("the drive is still programming: waiting at most " +
                          std::to_string(kSettleLimitMs / 1000) + " s more",
                      kSettleLimitMs / 1000);
      settling = true;
    }
    const uint32_t seconds = (timer.ReadMsTimer() - settleStart) / 1000;
    advance(seconds, kSettleLimitMs / 1000);
    timer.SleepMs(kSettlePauseMs);
  }
  return true;  // the read-back decides
}

bool CliProgrammingWait::StillProgramming() {
  if (context_ == nullptr) return false;
  auto& sense = context_->buffers().sense;
  sense.fill(0);
  if (SendTestUnitReady(*context_) == 0) return false;
  // TEST UNIT READY asks for its sense to come with it, and a drive that
  // delivered it reports no sense to a REQUEST SENSE after; ask only when
  // none came.
  if ((sense[0] & 0x7E) != 0x70) SendRequestSense(*context_);
  const SenseCodes codes = DecodeSense(context_->buffers());
  // 02/04/07: operation in progress; 02/04/01: becoming ready.
  return codes.SenseKey() == 0x02 && codes.asc == 0x04 &&
         (codes.ascq == 0x07 || codes.ascq == 0x01);
}

}  // namespace kestrel::cli
