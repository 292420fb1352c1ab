#include "region/region_messages.h"

#include <iterator>

namespace kestrel::region_text {

const MessagePair* AllPairs(size_t& count) {
  static constexpr MessagePair kPairs[] = {
      kNoSelectionMere9x,    kNoSelectionMere2k,  kDeviceOpenFailed,
      kGetDriveRegionFailed, kChangesLeft,        kNoRpc2,
      kDriveRegion[0],       kDriveRegion[1],     kDriveRegion[2],
      kDriveRegion[3],       kDriveRegion[4],     kDriveRegion[5],
      kDriveNoRegion,        kDriveInvalidRegion, kGetDiscRegionFailed,
      kNoProtection,         kDiscAllows,         kUnknownProtection,
      kAlreadyPermanent,     kTocReadInProgress,  kDiscNotPresent,
      kAttentionCaption,     kCanceled,           kUnknownError,
      kRegionNotSelected,    kSetSucceeded,       kSetFailed,
      kAlreadyThisRegion,    kRegionDigit[0],     kRegionDigit[1],
      kRegionDigit[2],       kRegionDigit[3],     kRegionDigit[4],
      kRegionDigit[5],
  };
  count = std::size(kPairs);
  return kPairs;
}

}  // namespace kestrel::region_text
