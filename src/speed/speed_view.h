// What the speed operations read from and do to SpeedWindow. The Target Drive
// list, the message boxes and Pump come with DriveListView.
#pragma once
#include <string>

#include "drive/drive_list_view.h"

namespace kestrel {

class SpeedView : public DriveListView {
 public:
  // Audio Extraction Speed list (1010): the selected index, -1 for none.
  virtual int SpeedSelection() const = 0;
  // Drive Mode list (1013): the selected index, -1 for none, and the text of
  // an item ("" for an index that names none).
  virtual int ModeSelection() const = 0;
  virtual std::string ModeItemText(int index) const = 0;
  // Adds text at the end of messageLog, shows the whole log in the log box
  // (1012), puts the caret at its end and scrolls it into view.
  virtual void appendToLog(const std::string& text) = 0;
};

}  // namespace kestrel
