#include "ui/confirm_update_dialog.h"

#include "ui/firmware_window_texts.h"
#include "ui/resource_ids.h"
#include "win32/wide_text.h"

namespace kestrel {

BOOL ConfirmUpdateDialog::OnInitDialog(HWND window) {
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
}

}  // namespace kestrel
