// The readiness wait before a region change: TEST UNIT READY until the drive
// is ready, with the drive's three answers that the change knows how to wait
// for. It always ends.
#pragma once
#include <cstdint>

#include "drive/drive_access.h"
#include "drive/drive_context.h"
#include "drive/unit_attention.h"
#include "region/region_log.h"
#include "region/region_view.h"
#include "shell/clock.h"

namespace kestrel {

constexpr uint32_t kReadinessPauseMs = 1000;
// The pause is slept in slices this long, the window being pumped between
// them, so that it keeps painting.
constexpr uint32_t kReadinessPumpSliceMs = 50;
// Beyond this (and kMaxUnitAttentionsInARow) the drive is not going to
// become ready by itself.
constexpr uint32_t kMaxBecomingReadyMs = 60000;

enum class Readiness {
  Ready,      // TEST UNIT READY succeeded
  Cancelled,  // the user cancelled the no-disc box
  Failed,     // another sense, no sense, or a limit above was passed
};

// Unit attention (06h): test again at once. Becoming ready (02h/04h/01h):
// "Now toc read in progress..." into the log (caret not moved), a 1000 ms
// pause, test again. No medium (02h/3Ah): the "Attention" box; OK tests
// again, Cancel ends the wait. The sense key byte is compared whole.
Readiness WaitUntilReady(DriveContext& context, RegionView& view, RegionLog& log,
                         DriveAccess& access, TimerPort& timer);

}  // namespace kestrel
