#include "transport/passthrough/letter_discovery.h"

#include <cstdio>

#include "drive/cdb_builders.h"
#include "drive/command_set.h"
#include "drive/drive_messages.h"

namespace kestrel {

void LetterDiscovery::Discover(DriveListView& view, DriveList& list, DiscoveryOccasion occasion) {
  const DiscoveryRule& rule = context_.profile.discovery;
  EmptyDriveList(view);
  list.Clear();

  constexpr int kLetterCount = kLastDriveLetter - kFirstDriveLetter + 1;  // 23
  view.OpenProgress();
  view.SetProgressRange(0, kLetterCount, 1);
  for (int n = 1; n <= kLetterCount; ++n) {
    const char letter = static_cast<char>(kFirstDriveLetter + n - 1);
    view.StepProgress();
    char label[40];
    std::snprintf(label, sizeof label, drive_messages::kCheckingDeviceFormat, n);
    view.SetProgressLabel(label);
    // Opening a letter and asking it can take seconds: keep the window painted.
    view.Pump();

    if (letters_.OpenDrive(letter) != 0) continue;
    const char prefix[] = {letter, ':', ' ', '\0'};
    if (SendInquiry(context_) == 0 && list.Size() < rule.entryCapacity) {
      std::optional<std::string> text =
          rule.entryText(context_.buffers().data, kInquiryLength, prefix);
      if (text) {
        const std::string item = *text;
        if (list.Add(DriveEntry{std::move(*text), AspiAddress{}})) {
          view.AddListItem(AnsiText(context_.language, item));
        }
      }
    }
    letters_.CloseDrive();
  }
  view.CloseProgress();

  if (!list.Empty()) {
    view.SelectListItem(0);
    return;
  }
  if (occasion == DiscoveryOccasion::WindowSetUp && rule.closeWhenNoneFoundAtSetUp) {
    view.ShowMessageBox(Pick(*rule.notFound, context_.language),
                        drive_messages::kInitializeErrorCaption);
    view.CloseWindow();
  }
}

}  // namespace kestrel
