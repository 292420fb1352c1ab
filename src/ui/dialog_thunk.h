// Routes a dialog's messages to the object that created it. The object
// passes itself as the creation parameter; its HandleMessage returns the
// dialog procedure's result.
#pragma once
#include <windows.h>

namespace kestrel {

template <class Dialog>
INT_PTR CALLBACK DialogThunk(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(window, DWLP_USER, lParam);
  }
  auto* dialog = reinterpret_cast<Dialog*>(GetWindowLongPtrW(window, DWLP_USER));
  // Messages that arrive before WM_INITDIALOG (WM_SETFONT) have no object yet.
  if (dialog == nullptr) return FALSE;
  return dialog->HandleMessage(window, message, wParam, lParam);
}

}  // namespace kestrel
