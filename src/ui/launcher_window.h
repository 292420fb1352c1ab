// LauncherWindow, template 102 of FELL32: the platform information, the
// three launch buttons, the help index and Exit. It moves data between its
// controls and the UtilityLauncher and does nothing else.
#pragma once
#include <windows.h>

#include "launcher/launcher_view.h"
#include "launcher/utility_launcher.h"
#include "shell/language.h"
#include "shell/shell_catalog.h"
#include "ui/main_window_shell.h"

namespace kestrel {

class LauncherWindow final : public LauncherView {
 public:
  LauncherWindow(HINSTANCE instance, const ShellTraits& traits);

  // Runs the window as a modal dialog until it is closed.
  INT_PTR Run(UtilityLauncher& launcher);
  INT_PTR HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  // MessageBoxView
  void ShowMessageBox(const std::string& text, const std::string& caption) override;
  bool AskOkCancel(const std::string& text, const std::string& caption, BoxIcon icon) override;
  // LauncherView
  void SetInformationText(const std::string& text) override;
  void Pump() override;

 private:
  BOOL OnInitDialog();
  void OnCommand(WORD id);
  void OnClose();

  HINSTANCE instance_;
  MainWindowShell shell_;
  UtilityLauncher* launcher_ = nullptr;
  HWND window_ = nullptr;
  // Set once the close procedure has begun: nothing else is acted on.
  bool closing_ = false;
};

}  // namespace kestrel
