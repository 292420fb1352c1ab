#include "transport/passthrough/passthrough_result.h"

namespace kestrel {

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
