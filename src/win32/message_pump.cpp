#include "win32/message_pump.h"

namespace kestrel::win32 {
namespace {

bool IsUserInput(UINT message) {
  return (message >= WM_KEYFIRST && message <= WM_KEYLAST) ||
         (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) ||
         (message >= WM_NCMOUSEMOVE && message <= WM_NCXBUTTONDBLCLK);
}

}  // namespace

void PumpWithoutInput() {
  // Only this thread's windows are in its queue: the main window, its
  // controls and the progress window.
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    if (IsUserInput(message.message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

bool WaitPumping(HANDLE handle, uint32_t timeoutMs) {
  // A poll has nothing to wait for.
  if (timeoutMs == 0) return WaitForSingleObject(handle, 0) == WAIT_OBJECT_0;
  const DWORD start = GetTickCount();
  for (;;) {
    DWORD remaining = INFINITE;
    if (timeoutMs != INFINITE) {
      const DWORD elapsed = GetTickCount() - start;
      if (elapsed >= timeoutMs) return WaitForSingleObject(handle, 0) == WAIT_OBJECT_0;
      remaining = timeoutMs - elapsed;
    }
    const DWORD woken = MsgWaitForMultipleObjects(1, &handle, FALSE, remaining, QS_ALLINPUT);
    if (woken == WAIT_OBJECT_0) return true;
    if (woken != WAIT_OBJECT_0 + 1) return false;  // timed out, or the wait failed
    PumpWithoutInput();
  }
}

}  // namespace kestrel::win32
