// The drive list (a drop-down list box) of a utility's main window.
#pragma once
#include <string>

#include "shell/views.h"

namespace kestrel {

class DriveListView : public MessageBoxView, public ProgressView {
 public:
  virtual int ListCount() const = 0;
  virtual bool DeleteListItem(int index) = 0;       // false when the deletion failed
  virtual void AddListItem(const std::string& text) = 0;
  virtual void SelectListItem(int index) = 0;
  virtual int ListSelection() const = 0;            // -1 when nothing is selected
  virtual void RefreshControls() = 0;               // push the window's data into its controls
  virtual void CloseWindow() = 0;                   // posts the system close command
};

}  // namespace kestrel
