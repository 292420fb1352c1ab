// The state of RegionWindow's region controls, kept here so that the window
// only moves it into its controls: the six drive-region radio buttons, the six
// disc-region check boxes and the count label under the buttons. Index 0 is
// region 1.
#pragma once
#include <array>
#include <optional>
#include <string>

#include "region/region_decoding.h"

namespace kestrel {

struct RegionButtonState {
  bool enabled = false;
  bool checked = false;
  bool pressed = false;  // shown pressed (button highlight state)
  bool operator==(const RegionButtonState& o) const {
    return enabled == o.enabled && checked == o.checked && pressed == o.pressed;
  }
};

struct DiscBoxState {
  bool enabled = false;
  bool checked = false;
  bool operator==(const DiscBoxState& o) const {
    return enabled == o.enabled && checked == o.checked;
  }
};

struct RegionControls {
  std::array<RegionButtonState, kRegionCount> regionButtons{};
  std::array<DiscBoxState, kRegionCount> discBoxes{};
  // Empty until a report first reads the drive: the template's text stays.
  std::optional<std::string> countLabel;

  // Every button and check box disabled and clear; the label is kept.
  void Reset();
  // The drive's own region: that button enabled, checked and shown pressed;
  // no region: all six enabled, none checked; invalid: none enabled.
  void ShowDriveRegion(const DriveRegion& region);
  // An unprotected disc checks all six boxes; a protected one enables and
  // checks the box, and enables the button, of every region it allows.
  void ShowDiscRegions(const DiscRegions& disc);
};

}  // namespace kestrel
