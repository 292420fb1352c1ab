// The tool's programming wait. The drive says nothing while it programs its
// flash, so like the window the tool waits a fixed time after starting it
// (30 s unless told otherwise) with a countdown; then, unlike the window, it
// also waits while the drive still reports the operation in progress or
// becoming ready, up to kSettleLimitMs more, before the read-back.
//
// A drive may hold the programming command until its flash is written, and a
// kernel that times the command out aborts it and may reset the drive half
// way: it goes out with kProgrammingTimeoutSeconds. If it fails or times out
// anyway the drive may still be programming, so the wait, the settle and the
// read-back run all the same.
#pragma once
#include <cstdint>
#include <ostream>

#include "cli/cli_view.h"
#include "firmware/programming_wait.h"

namespace kestrel::cli {

constexpr uint32_t kSettleLimitMs = 120000;
constexpr uint32_t kSettlePauseMs = 500;
constexpr uint32_t kProgrammingTimeoutSeconds = 180;

constexpr const char* kProgrammingUnsure =
    "the programming command failed or timed out: the drive may still be programming its "
    "flash. Do not switch the machine off; waiting, then reading the flash back.";

class CliProgrammingWait final : public ProgrammingWait {
 public:
  // err: where the warning after a failed programming command goes;
  // progress: where the countdown is drawn.
  CliProgrammingWait(uint32_t waitSeconds, ProgressLine& progress, std::ostream& err)
      : waitSeconds_(waitSeconds), progress_(&progress), err_(err) {}
  // Without progress.
  CliProgrammingWait(uint32_t waitSeconds, std::ostream& err) : waitSeconds_(waitSeconds), err_(err) {}
  // Always true: the read-back tells whether the flash was written.
  bool Start(DriveContext& context) override;
  bool Wait(MsTimer& timer, ProgressView& view, Language language) override;
  bool StartFailed() const { return startFailed_; }

 private:
  // TEST UNIT READY: whether the drive is still busy with the programming.
  bool StillProgramming();
  uint32_t waitSeconds_;
  ProgressLine* progress_ = nullptr;
  std::ostream& err_;
  DriveContext* context_ = nullptr;
  bool startFailed_ = false;
};

}  // namespace kestrel::cli
