// Discovery and drive selection of the pass-through builds: drive letters
// D to Z, one open at a time.
#pragma once
#include "drive/discovery.h"

namespace kestrel {

constexpr char kFirstDriveLetter = 'D';
constexpr char kLastDriveLetter = 'Z';

class LetterDiscovery : public DriveDiscovery {
 public:
  LetterDiscovery(DriveContext& context, DriveLetterAccess& letters)
      : context_(context), letters_(letters) {}
  // Opens each letter in turn under a progress window, lists what the
  // program's rule accepts and closes the drive again; selects item 0. With
  // nothing listed at window set-up TARN2K tells the user and closes; after an
  // update, and on MERE2K, the list just stays empty.
  void Discover(DriveListView& view, DriveList& list, DiscoveryOccasion occasion) override;

 private:
  DriveContext& context_;
  DriveLetterAccess& letters_;
};

class LetterDriveSelector : public DriveSelector {
 public:
  explicit LetterDriveSelector(DriveLetterAccess& letters) : letters_(letters) {}
  // Opens the entry's letter; the drive stays open for the operation that
  // follows. A drive left open by the previous selection is closed first.
  int32_t MakeCurrent(const DriveEntry& entry) override;
  int32_t CheckSupported(DriveContext& context, const DriveEntry& entry) override;
  const MessagePair& OpenFailure() const override;
  void Release() override { letters_.CloseDrive(); }

 private:
  DriveLetterAccess& letters_;
};

}  // namespace kestrel
