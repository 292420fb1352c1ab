// How a finished request becomes a command result: pure functions over what
// the ASPI manager or the storage port driver handed back, so that both
// transports and the simulated drive share one rule.
#pragma once
#include <cstdint>

namespace kestrel {

// ---- ASPI ----------------------------------------------------------------

// GetASPI32SupportInfo packs a status (bits 8-15) and the adapter count (bits 0-7).
struct AspiSupportInfo {
  uint8_t status;
  uint8_t adapterCount;
};
AspiSupportInfo DecodeAspiSupportInfo(uint32_t supportInfo);

// A request only ends through its event when SendASPI32Command accepted it as
// pending; any other return is already the request's final status.
bool AspiRequestPending(uint32_t sendResult);

// 0 when the request completed without error (SS_COMP), -1 otherwise.
int32_t AspiCommandResult(uint32_t status);

// ---- SCSI pass-through ------------------------------------------------------

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
