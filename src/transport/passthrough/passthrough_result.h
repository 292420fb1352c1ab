// How a finished pass-through request becomes a command result: a pure
// function over what the storage port driver handed back, so that the
// transport and the simulated drive share one rule.
#pragma once
#include <cstdint>

namespace kestrel {

constexpr int32_t kPassThroughFailure = 2;
constexpr uint8_t kScsiStatusCheckCondition = 2;

struct PassThroughOutcome {
  int32_t result;           // 0 or kPassThroughFailure
  bool copySense;           // copy the block's sense area into SenseBuffer
  bool markCheckCondition;  // write CHECK CONDITION into the block's ScsiStatus
};

// callSucceeded: what DeviceIoControl returned; scsiStatus: that field of
// the block after the call.
PassThroughOutcome DecidePassThroughResult(bool callSucceeded, uint8_t scsiStatus);

}  // namespace kestrel
