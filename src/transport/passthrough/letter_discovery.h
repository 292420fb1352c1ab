// Discovery of the pass-through builds: drive letters
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

}  // namespace kestrel
