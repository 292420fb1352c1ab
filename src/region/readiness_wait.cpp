#include "region/readiness_wait.h"

#include "drive/command_set.h"
#include "drive/sense.h"
#include "region/region_messages.h"

namespace kestrel {
namespace {

void PauseKeepingWindowPainted(RegionView& view, TimerPort& timer) {
  for (uint32_t slept = 0; slept < kReadinessPauseMs; slept += kReadinessPumpSliceMs) {
    view.Pump();
    timer.SleepMs(kReadinessPumpSliceMs);
  }
  view.Pump();
}

}  // namespace

Readiness WaitUntilReady(DriveContext& context, RegionView& view, RegionLog& log,
                         DriveAccess& access, TimerPort& timer) {
  const Language language = context.language;
  bool becomingReady = false;  // since becomingReadySinceMs
  uint32_t becomingReadySinceMs = 0;
  for (;;) {
    SenseCodes sense;
    const int32_t result = SendPastUnitAttentions(
        context, kMaxUnitAttentionsInARow, [&] { return SendTestUnitReady(context); },
        [&] { return access.FetchSense(context); }, sense);
    if (result == 0) return Readiness::Ready;
    // The sense key byte is compared whole: with a flag bit set the drive
    // tells of something else.
    if (!sense.KeyOnly()) return Readiness::Failed;
    // Still a unit attention: the limit is passed.
    if (sense.UnitAttention()) return Readiness::Failed;

    if (sense.BecomingReady()) {
      const uint32_t now = timer.TimeMs();
      if (!becomingReady) {
        becomingReady = true;
        becomingReadySinceMs = now;
      } else if (now - becomingReadySinceMs > kMaxBecomingReadyMs) {
        return Readiness::Failed;
      }
      log.AddAndShow(Pick(region_text::kTocReadInProgress, language));
      PauseKeepingWindowPainted(view, timer);
      continue;
    }

    if (sense.MediumNotPresent()) {
      // A disc the user inserts starts its own time to become ready.
      becomingReady = false;
      if (!view.AskOkCancel(Pick(region_text::kDiscNotPresent, language),
                            Pick(region_text::kAttentionCaption, language), BoxIcon::Exclamation)) {
        return Readiness::Cancelled;
      }
      continue;
    }
    return Readiness::Failed;
  }
}

}  // namespace kestrel
