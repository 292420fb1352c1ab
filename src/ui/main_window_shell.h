// What every main window does around its own controls: the language, the
// About and Help items of the system menu, the program icon (also drawn while
// minimized), the Japanese control texts, the About box and the help call.
#pragma once
#include <windows.h>

#include <string>

#include "shell/control_text.h"
#include "shell/language.h"
#include "shell/shell_catalog.h"

namespace kestrel {

class MainWindowShell {
 public:
  MainWindowShell(HINSTANCE instance, const ShellTraits& traits);
  ~MainWindowShell();
  MainWindowShell(const MainWindowShell&) = delete;
  MainWindowShell& operator=(const MainWindowShell&) = delete;

  // The set-up steps at the start of WM_INITDIALOG, in their order. Returns
  // the language, read once here and kept by the caller.
  Language SetUp(HWND window, ControlTextTable japaneseTexts);

  // WM_SYSCOMMAND: true when it was About or Help and has been handled.
  bool HandleSysCommand(HWND window, WPARAM wParam);
  // WM_PAINT: true when the window is minimized and its icon was drawn.
  bool PaintMinimized(HWND window);
  HICON Icon() const { return largeIcon_; }

  void ShowAbout(HWND window);
  void ShowHelp(HWND window);

  void ShowMessage(HWND owner, const std::string& text, const std::string& caption);

  Language language() const { return language_; }
  const ShellTraits& traits() const { return traits_; }
  HINSTANCE instance() const { return instance_; }

 private:
  HINSTANCE instance_;
  const ShellTraits& traits_;
  HICON largeIcon_;
  HICON smallIcon_;
  Language language_;
};

}  // namespace kestrel
