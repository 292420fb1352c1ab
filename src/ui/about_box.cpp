#include "ui/about_box.h"

#include "ui/dialog_thunk.h"
#include "ui/resource_ids.h"
#include "ui/wide_text.h"

namespace kestrel {

void AboutBox::Run(HWND owner) {
  DialogBoxParamW(instance_, MAKEINTRESOURCEW(IDD_ABOUTBOX), owner, DialogThunk<AboutBox>,
                  reinterpret_cast<LPARAM>(this));
}

INT_PTR AboutBox::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      SetDlgItemTextW(window, traits_.aboutTextControlId, Wide(AboutText(traits_)).c_str());
      return TRUE;
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
