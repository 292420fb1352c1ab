// LauncherWindow, template 102 of FELL32: the platform information, the
// three launch buttons, the help index and Exit, on the main-window base. It
// moves data between its controls and the UtilityLauncher and does nothing
// else; a close runs the launcher's close procedure under the busy rule.
#pragma once
#include <windows.h>

#include "launcher/launcher_view.h"
#include "launcher/utility_launcher.h"
#include "shell/shell_catalog.h"
#include "ui/main_window.h"

namespace kestrel {

class LauncherWindow final : public MainWindow<LauncherView> {
 public:
  LauncherWindow(HINSTANCE instance, const ShellTraits& traits);

  // Runs the window as a modal dialog until it is closed.
  INT_PTR Run(UtilityLauncher& launcher);

  // LauncherView
  void SetInformationText(const std::string& text) override;
  void Pump() override { PumpMessages(); }

 private:
  void OnSetUp() override;
  void OnCommand(int id, int code) override;
  void OnCloseRequest() override;

  UtilityLauncher* launcher_ = nullptr;
  // Set once the close procedure has begun: it runs once.
  bool closing_ = false;
};

}  // namespace kestrel
