// What every main window of the suite does besides its own controls: the
// shell's set-up steps (language, system menu, icon, Japanese control texts),
// About and Help, painting while minimized, message boxes, the progress
// window and the message pump, the optional drive list, and the busy rule:
// while an operation runs, the user's input is dropped and a close asked for
// waits until the operation has ended; painting goes on.
//
// Windows derive from MainWindow<View> or DriveWindow<View> (main_window.h),
// which implement the view interfaces on top of this frame.
#pragma once
#include <windows.h>

#include <string>

#include "shell/control_text.h"
#include "shell/language.h"
#include "shell/shell_catalog.h"
#include "shell/views.h"
#include "ui/main_window_shell.h"
#include "ui/progress_window.h"

namespace kestrel {

// How a main window is built; the program table gives the numbers.
struct MainWindowSetup {
  const ShellTraits& shell;
  int templateId;                  // the window's dialog template (102)
  int progressTemplateId;          // ProgressWindow's template; 0 when it has none
  int driveListId;                 // the drop-down drive list; 0 when it has none
  ControlTextTable japaneseTexts;  // labelled controls replaced in Japanese
};

class MainWindowFrame {
 public:
  INT_PTR HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

 protected:
  MainWindowFrame(HINSTANCE instance, const MainWindowSetup& setup);
  virtual ~MainWindowFrame() = default;
  MainWindowFrame(const MainWindowFrame&) = delete;
  MainWindowFrame& operator=(const MainWindowFrame&) = delete;

  // Runs the window as a modal dialog until it is closed.
  INT_PTR RunModal();

  // --- hooks of the window ------------------------------------------------
  // WM_INITDIALOG after the shell's set-up steps, run as an operation (the
  // drive discovery belongs here). The dialog manager sets the focus.
  virtual void OnSetUp() = 0;
  // WM_COMMAND of a control, not while busy; close commands (IDCANCEL) are
  // the frame's. The window's button map: start operations with
  // RunOperation, close with RequestClose.
  virtual void OnCommand(int id, int code) = 0;
  // Any other message; FALSE for not handled.
  virtual INT_PTR OnOtherMessage(UINT, WPARAM, LPARAM) { return FALSE; }
  // A close (the Exit buttons, the close box, Escape) while no operation
  // runs: ends the window. A window with a close procedure of its own runs
  // it first, as an operation, then calls EndWindow.
  virtual void OnCloseRequest() { EndWindow(); }

  // Runs one operation to its end under the busy rule.
  template <class Operation>
  void RunOperation(Operation operation) {
    BeginOperation();
    operation();
    EndOperation();
  }
  // The system close command, as the Exit buttons send it.
  void RequestClose();
  void EndWindow();
  // The program's help topic, or the box that says the file is missing.
  void ShowHelp();

  // --- what the view implementations use ----------------------------------
  void ShowBox(const std::string& text, const std::string& caption);
  bool AskBox(const std::string& text, const std::string& caption, BoxIcon icon);
  ProgressWindow& progress() { return progress_; }
  void PumpMessages();
  int ListCount() const;
  bool DeleteListItem(int index);
  void AddListItem(const std::string& text);
  void SelectListItem(int index);
  int ListSelection() const;
  void RefreshWindow();
  void PostClose();

  HWND window() const { return window_; }
  HWND Control(int id) const { return GetDlgItem(window_, id); }
  HINSTANCE instance() const { return instance_; }
  Language language() const { return language_; }
  const ShellTraits& traits() const { return setup_.shell; }

 private:
  BOOL OnInitDialog();
  void OnCommandMessage(WORD id, WORD code);
  bool OnSysCommand(WPARAM wParam);
  void BeginOperation() { busy_ = true; }
  void EndOperation();

  HINSTANCE instance_;
  MainWindowSetup setup_;
  MainWindowShell shell_;
  ProgressWindow progress_;
  HWND window_ = nullptr;
  Language language_;
  bool busy_ = false;
  bool closePending_ = false;
};

}  // namespace kestrel
