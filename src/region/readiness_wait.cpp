#include "region/readiness_wait.h"

#include "drive/command_set.h"
#include "drive/sense.h"
#include "region/region_messages.h"

namespace kestrel {
namespace {

constexpr uint8_t kUnitAttention = 0x06;
constexpr uint8_t kNotReady = 0x02;
constexpr uint8_t kLogicalUnitNotReady = 0x04;
constexpr uint8_t kBecomingReady = 0x01;
constexpr uint8_t kMediumNotPresent = 0x3A;

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
    // Still a unit attention: the limit is passed.
    if (sense.keyByte == kUnitAttention) return Readiness::Failed;

    if (sense.keyByte == kNotReady && sense.asc == kLogicalUnitNotReady &&
        sense.ascq == kBecomingReady) {
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

    if (sense.keyByte == kNotReady && sense.asc == kMediumNotPresent) {
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
