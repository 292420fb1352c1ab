#include "ui/confirm_update_dialog.h"

#include "shell/firmware_window_texts.h"
#include "ui/dialog_thunk.h"
#include "ui/resource_ids.h"
#include "ui/wide_text.h"

namespace kestrel {

bool ConfirmUpdateDialog::Run(HWND owner) {
  const INT_PTR result =
      DialogBoxParamW(instance_, MAKEINTRESOURCEW(templateId_), owner,
                      DialogThunk<ConfirmUpdateDialog>, reinterpret_cast<LPARAM>(this));
  return result == IDOK;
}

INT_PTR ConfirmUpdateDialog::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      SetDlgItemTextW(window, IDC_CONFIRM_MESSAGE,
                      Wide(Pick(firmware_window::kConfirmQuestion, language_)).c_str());
      SetDlgItemTextW(window, IDC_CONFIRM_OLD_FIRMWARE, Wide(oldFirmware_).c_str());
      SetDlgItemTextW(window, IDC_CONFIRM_NEW_FIRMWARE, Wide(newFirmware_).c_str());
      // Only the TARN9X template carries the warning box.
      if (GetDlgItem(window, IDC_CONFIRM_WARNING) != nullptr) {
        SetDlgItemTextW(window, IDC_CONFIRM_WARNING,
                        Wide(Pick(firmware_window::kConfirmWarning, language_)).c_str());
      }
      // Focus on OK rather than on the warning box, which would select its text.
      SetFocus(GetDlgItem(window, IDOK));
      return FALSE;
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
