// A unit attention tells of an event (a disc inserted, a reset, a mode
// changed), not of what the command asked: the command is sent again at once.
#pragma once
#include <cstdint>
#include <functional>

#include "drive/drive_context.h"
#include "drive/sense.h"

namespace kestrel {

// More unit attentions in a row than this, and the drive is not going to
// stop raising them by itself.
constexpr int kMaxUnitAttentionsInARow = 10;

// Sends the command until it succeeds or fails with anything but a unit
// attention (sense byte 2 exactly 06h), sending it again at most `resends`
// times. SenseBuffer is cleared before each sending, so a failure without
// sense data reads as none; fetchSense brings a failure's sense there and
// says whether it could. Returns the last result; `sense` is the last
// failure's sense (all zero after a success or when none could be had).
int32_t SendPastUnitAttentions(DriveContext& context, int resends,
                               const std::function<int32_t()>& send,
                               const std::function<bool()>& fetchSense, SenseCodes& sense);

}  // namespace kestrel
