// ProgressWindow (template 129; 130 in MERE2K): a modeless window with a text line above a
// progress bar. It has no behaviour of its own; its user drives it.
#pragma once
#include <windows.h>

#include <string>

namespace kestrel {

class ProgressWindow {
 public:
  ProgressWindow(HINSTANCE instance, int templateId)
      : instance_(instance), templateId_(templateId) {}
  ~ProgressWindow() { Close(); }
  ProgressWindow(const ProgressWindow&) = delete;
  ProgressWindow& operator=(const ProgressWindow&) = delete;

  // Creates and shows it; a window still open is closed first.
  void Open(HWND owner);
  void SetRange(int low, int high, int step);
  void Step();
  void SetLabel(const std::string& text);
  void Close();
  HWND Handle() const { return window_; }

  INT_PTR HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

 private:
  HINSTANCE instance_;
  int templateId_;
  HWND window_ = nullptr;
};

}  // namespace kestrel
