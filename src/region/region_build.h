// What differs between MERE9X and MERE2K in the region window's logic, apart
// from how the drive is reached (drive/drive_access.h).
#pragma once
#include "region/region_messages.h"
#include "shell/language.h"

namespace kestrel {

struct RegionBuildTraits {
  const MessagePair* noSelection;  // "Don't select the valid item." under the program's ids
  // The report at the end of window set-up also runs when discovery listed
  // nothing (MERE9X, whose window is then closing); MERE2K skips it.
  bool reportWithEmptyList;
};

inline constexpr RegionBuildTraits kMere9xRegionTraits{&region_text::kNoSelectionMere9x, true};
inline constexpr RegionBuildTraits kMere2kRegionTraits{&region_text::kNoSelectionMere2k, false};

}  // namespace kestrel
