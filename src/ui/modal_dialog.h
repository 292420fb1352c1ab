// A small modal dialog with OK and Cancel: the subclass fills its controls
// when it opens; OK, Cancel, Escape and the close box end it.
#pragma once
#include <windows.h>

namespace kestrel {

class ModalDialog {
 public:
  INT_PTR HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

 protected:
  ModalDialog() = default;
  ~ModalDialog() = default;
  ModalDialog(const ModalDialog&) = delete;
  ModalDialog& operator=(const ModalDialog&) = delete;

  // Runs template `templateId` owned by `owner`; true only when it ended with OK.
  bool RunModal(HINSTANCE instance, int templateId, HWND owner);
  // WM_INITDIALOG: fill the controls; the result is the message's (TRUE: the
  // dialog manager sets the focus).
  virtual BOOL OnInitDialog(HWND window) = 0;
};

}  // namespace kestrel
