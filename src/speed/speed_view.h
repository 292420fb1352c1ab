// What the speed operations read from and do to SpeedWindow. The Target Drive
// list, the message boxes and Pump come with DriveListView.
#pragma once
#include <string>

#include "drive/drive_list_view.h"
#include "speed/speed_choices.h"

namespace kestrel {

class SpeedView : public DriveListView {
 public:
  // Audio Extraction Speed list (1010): the selected index, -1 for none.
  virtual int SpeedSelection() const = 0;
  // The read speed to set, kbytes/s: the window's list entry; a view that
  // takes any speed (the command-line tool) answers for itself.
  virtual uint16_t SelectedReadSpeed() const { return SpeedChoice(SpeedSelection()); }
  // Drive Mode list (1013): the selected index, -1 for none, and the text of
  // an item ("" for an index that names none).
  virtual int ModeSelection() const = 0;
  virtual std::string ModeItemText(int index) const = 0;
  // Adds text at the end of messageLog, shows the whole log in the log box
  // (1012), puts the caret at its end and scrolls it into view.
  virtual void appendToLog(const std::string& text) = 0;
};

}  // namespace kestrel
