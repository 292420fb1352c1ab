#include "ui/modal_dialog.h"

#include "ui/dialog_thunk.h"

namespace kestrel {

bool ModalDialog::RunModal(HINSTANCE instance, int templateId, HWND owner) {
  const INT_PTR result = DialogBoxParamW(instance, MAKEINTRESOURCEW(templateId), owner,
                                         DialogThunk<ModalDialog>, reinterpret_cast<LPARAM>(this));
  return result == IDOK;
}

INT_PTR ModalDialog::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      return OnInitDialog(window);
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        EndDialog(window, LOWORD(wParam));
        return TRUE;
      }
      break;
  }
  return FALSE;
}

}  // namespace kestrel
