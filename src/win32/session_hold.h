// Keeps Windows from ending the session or sleeping while a drive's flash is
// written: the window answers WM_QUERYENDSESSION with FALSE while held.
#pragma once
#include <string>

#include "win32/mingw_compat.h"

namespace kestrel::win32 {

class SessionHold {
 public:
  SessionHold() = default;
  ~SessionHold() { End(); }
  SessionHold(const SessionHold&) = delete;
  SessionHold& operator=(const SessionHold&) = delete;

  // The reason is shown in the system's shutdown screen where it has one
  // (Vista and later).
  void Begin(HWND window, const std::wstring& reason);
  void End();
  bool Held() const { return window_ != nullptr; }

 private:
  HWND window_ = nullptr;
  bool reasonShown_ = false;
};

}  // namespace kestrel::win32
