// What the region operations do to RegionWindow; what the user chose comes
// with the request (region_operations.h). The Win32 window implements it;
// native tests use a recording one.
#pragma once
#include <string>

#include "drive/drive_list_view.h"
#include "region/region_controls.h"

namespace kestrel {

class RegionView : public DriveListView {
 public:
  // Moves the six drive-region buttons (1002, 1008-1012), the six disc
  // check boxes (1007, 1013-1017) and the count label (1022, unless it is
  // still empty) into the controls.
  virtual void ShowRegionControls(const RegionControls& controls) = 0;
  // Puts the whole log into the log box (1006). With caretToEnd the caret is
  // placed at its end and scrolled into view (appendToLog); without, the
  // caret stays where it was.
  virtual void SetLogText(const std::string& log, bool caretToEnd) = 0;
};

}  // namespace kestrel
