// What the speed operations do to SpeedWindow; what the user chose comes with
// the request (speed_operations.h). The Target Drive list, the message boxes
// and Pump come with DriveListView.
#pragma once
#include <string>

#include "drive/drive_list_view.h"

namespace kestrel {

class SpeedView : public DriveListView {
 public:
  // Adds text at the end of messageLog, shows the whole log in the log box
  // (1012), puts the caret at its end and scrolls it into view.
  virtual void appendToLog(const std::string& text) = 0;
};

}  // namespace kestrel
