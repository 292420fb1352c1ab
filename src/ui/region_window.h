// RegionWindow, template 102: the main window of MERE9X and MERE2K. It moves
// the region operations' state into its controls (RegionView) and maps its
// buttons to the operations; everything else is DriveWindow's.
#pragma once
#include <windows.h>

#include "drive/discovery.h"
#include "region/region_operations.h"
#include "region/region_view.h"
#include "ui/main_window.h"

namespace kestrel {

class RegionWindow final : public DriveWindow<RegionView> {
 public:
  RegionWindow(HINSTANCE instance, const MainWindowSetup& setup) : DriveWindow(instance, setup) {}

  // Runs the window as a modal dialog until it is closed; set-up discovers
  // the drives with discovery and reports on the first one.
  INT_PTR Run(RegionOperations& operations, DriveDiscovery& discovery);

  // RegionView. RefreshControls stays DriveWindow's, a repaint: the ASPI
  // walk calls it after each entry and it must leave the list selection and
  // the region buttons as they are.
  void ShowRegionControls(const RegionControls& controls) override;
  void SetLogText(const std::string& log, bool caretToEnd) override;

 private:
  // The button map.
  void OnSetUp() override;
  void OnCommand(int id, int code) override;

  // What Set Region asks for: the list's selection and the region button
  // checked now (the user may have clicked another enabled one since the
  // last report).
  RegionRequest Request() const;
  // Spreads the six region buttons and the count label over the region group.
  void LayOutRegionGroup();

  RegionOperations* operations_ = nullptr;
  DriveDiscovery* discovery_ = nullptr;
};

}  // namespace kestrel
