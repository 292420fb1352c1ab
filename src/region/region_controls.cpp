#include "region/region_controls.h"

namespace kestrel {

void RegionControls::Reset() {
  // The pressed look goes with the check mark: a later report must not show
  // an earlier region's button pressed.
  regionButtons.fill(RegionButtonState{});
  discBoxes.fill(DiscBoxState{});
}

void RegionControls::ShowDriveRegion(const DriveRegion& region) {
  switch (region.kind) {
    case DriveRegion::Kind::Region: {
      RegionButtonState& button = regionButtons[region.region - 1];
      button.enabled = true;
      button.pressed = true;
      button.checked = true;
      break;
    }
    case DriveRegion::Kind::NoRegion:
      for (RegionButtonState& button : regionButtons) button.enabled = true;
      break;
    case DriveRegion::Kind::Invalid:
      break;
  }
}

void RegionControls::ShowDiscRegions(const DiscRegions& disc) {
  switch (disc.protection) {
    case DiscRegions::Protection::None:
      for (DiscBoxState& box : discBoxes) box = DiscBoxState{true, true};
      break;
    case DiscRegions::Protection::Protected:
      for (int i = 0; i < kRegionCount; ++i) {
        if (!disc.allowed[i]) continue;
        discBoxes[i] = DiscBoxState{true, true};
        regionButtons[i].enabled = true;  // its check mark stays as it is
      }
      break;
    case DiscRegions::Protection::Unknown:
      break;
  }
}

}  // namespace kestrel
