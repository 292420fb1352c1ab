// The tool's programming wait. The drive says nothing while it programs its
// flash, so like the window the tool waits a fixed time after starting it
// (30 s unless told otherwise) with a countdown; then, unlike the window, it
// also waits while the drive still reports the operation in progress or
// becoming ready, up to kSettleLimitMs more, before the read-back.
#pragma once
#include <cstdint>

#include "firmware/programming_wait.h"

namespace kestrel::cli {

constexpr uint32_t kSettleLimitMs = 120000;
constexpr uint32_t kSettlePauseMs = 500;

class CliProgrammingWait final : public ProgrammingWait {
 public:
  explicit CliProgrammingWait(uint32_t waitSeconds) : waitSeconds_(waitSeconds) {}
  bool Start(DriveContext& context) override;
  bool Wait(MsTimer& timer, ProgressView& view, Language language) override;

 private:
  // TEST UNIT READY: whether the drive is still busy with the programming.
  bool StillProgramming();
  uint32_t waitSeconds_;
  DriveContext* context_ = nullptr;
};

}  // namespace kestrel::cli
