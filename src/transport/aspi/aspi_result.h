// How a finished ASPI request becomes a command result: pure functions over
// what the ASPI manager handed back.
#pragma once
#include <cstdint>

namespace kestrel {

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

}  // namespace kestrel
