#include "drive/transport_results.h"

#include "drive/aspi_defs.h"

namespace kestrel {

AspiSupportInfo DecodeAspiSupportInfo(uint32_t supportInfo) {
  return AspiSupportInfo{static_cast<uint8_t>((supportInfo >> 8) & 0xFF),
                         static_cast<uint8_t>(supportInfo & 0xFF)};
}

bool AspiRequestPending(uint32_t sendResult) { return sendResult == aspi::SS_PENDING; }

int32_t AspiCommandResult(uint32_t status) { return status == aspi::SS_COMP ? 0 : -1; }

PassThroughOutcome DecidePassThroughResult(bool callSucceeded, uint8_t scsiStatus) {
  if (scsiStatus != 0) {
    // The drive answered with a status: its sense data came back with it.
    return {kPassThroughFailure, true, false};
  }
  if (callSucceeded) return {0, false, false};
  // The call failed and the block shows no status from the drive. Whether or
  // not sense was asked for, the block only holds what went in and the data
  // area holds nothing new: it is a failed request, never a completed one,
  // and there is no sense to copy.
  return {kPassThroughFailure, false, true};
}

}  // namespace kestrel
