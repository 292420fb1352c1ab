// Texts of RegionWindow that the window sets itself (MERE9X and MERE2K
// alike), and the ids of the controls that the region operations' state
// moves into.
#pragma once
#include <cstddef>

#include "shell/control_text.h"
#include "shell/language.h"

namespace kestrel {

// Japanese texts that replace the template's English ones when the language
// is Japanese: the two group boxes, the radio buttons, the disc check boxes
// and the three push buttons.
ControlTextTable RegionWindowControlTexts();

namespace region_window {

// Controls, region 1 to 6 in order.
inline constexpr int kRegionButtonIds[6] = {1002, 1008, 1009, 1010, 1011, 1012};
inline constexpr int kDiscBoxIds[6] = {1007, 1013, 1014, 1015, 1016, 1017};
inline constexpr int kCountLabelId = 1022;
inline constexpr int kRegionGroupId = 1003;
inline constexpr int kDiscGroupId = 1018;
inline constexpr int kDriveListId = 1005;
inline constexpr int kLogId = 1006;
inline constexpr int kGetRegionId = 1021;
inline constexpr int kSetRegionId = 1019;
inline constexpr int kExitId = 1020;
inline constexpr int kHeadingId = 1001;

// English in both languages.
inline constexpr const char* kMere9xTitle = "Region Utility for Windows9x/Me";
inline constexpr const char* kMere9xHeading = "DVD-ROM Region Utility for Windows9x/Me";
inline constexpr const char* kMere2kTitle = "Region Utility for Windows2000";
inline constexpr const char* kMere2kHeading = "DVD-ROM Region Utility for Windows2000";

}  // namespace region_window
}  // namespace kestrel
