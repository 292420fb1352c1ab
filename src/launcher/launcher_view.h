// What the launcher's operations do to LauncherWindow.
#pragma once
#include <string>

#include "shell/views.h"

namespace kestrel {

class LauncherView : public MessageBoxView {
 public:
  // The information box (control 1004).
  virtual void SetInformationText(const std::string& text) = 0;
  // Lets the window repaint while the close procedure waits; the user's
  // input is dropped and no close or command is acted on.
  virtual void Pump() = 0;
};

}  // namespace kestrel
