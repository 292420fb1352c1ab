#include "win32/session_hold.h"

namespace kestrel::win32 {
namespace {

// Absent before Vista: looked up in USER32 at run time.
using ReasonCreate = BOOL WINAPI(HWND, LPCWSTR);
using ReasonDestroy = BOOL WINAPI(HWND);

template <typename Function>
Function* User32Export(const char* name) {
  HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
  if (user32 == nullptr) return nullptr;
  // Through a plain function pointer type, which any function pointer converts to and back.
  return reinterpret_cast<Function*>(reinterpret_cast<void (*)()>(::GetProcAddress(user32, name)));
}

}  // namespace

void SessionHold::Begin(HWND window, const std::wstring& reason) {
  if (Held()) End();
  window_ = window;
  ::SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED);
  if (auto* create = User32Export<ReasonCreate>("ShutdownBlockReasonCreate")) {
    reasonShown_ = create(window, reason.c_str()) != FALSE;
  }
}

void SessionHold::End() {
  if (!Held()) return;
  if (reasonShown_) {
    if (auto* destroy = User32Export<ReasonDestroy>("ShutdownBlockReasonDestroy")) destroy(window_);
  }
  reasonShown_ = false;
  ::SetThreadExecutionState(ES_CONTINUOUS);
  window_ = nullptr;
}

}  // namespace kestrel::win32
