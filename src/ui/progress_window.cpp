#include "ui/progress_window.h"

#include <commctrl.h>

#include "ui/dialog_thunk.h"
#include "ui/resource_ids.h"
#include "win32/wide_text.h"

namespace kestrel {

void ProgressWindow::Open(HWND owner) {
  Close();
  window_ = CreateDialogParamW(instance_, MAKEINTRESOURCEW(templateId_), owner,
                               DialogThunk<ProgressWindow>, reinterpret_cast<LPARAM>(this));
  if (window_ == nullptr) return;
  ShowWindow(window_, SW_SHOW);
  UpdateWindow(window_);
}

void ProgressWindow::SetRange(int low, int high, int step) {
  if (window_ == nullptr) return;
  SendDlgItemMessageW(window_, IDC_PROGRESS_BAR, PBM_SETRANGE32, low, high);
  SendDlgItemMessageW(window_, IDC_PROGRESS_BAR, PBM_SETPOS, low, 0);
  SendDlgItemMessageW(window_, IDC_PROGRESS_BAR, PBM_SETSTEP, step, 0);
}

// The user may be in a long loop that pumps no messages: each change is
// painted at once.
void ProgressWindow::Step() {
  if (window_ == nullptr) return;
  SendDlgItemMessageW(window_, IDC_PROGRESS_BAR, PBM_STEPIT, 0, 0);
  UpdateWindow(window_);
}

void ProgressWindow::SetLabel(const std::string& text) {
  if (window_ == nullptr) return;
  SetDlgItemTextW(window_, IDC_PROGRESS_LABEL, Wide(text).c_str());
  UpdateWindow(window_);
}

void ProgressWindow::Close() {
  if (window_ == nullptr) return;
  DestroyWindow(window_);
  window_ = nullptr;
}

INT_PTR ProgressWindow::HandleMessage(HWND, UINT message, WPARAM, LPARAM) {
  // Not closable by the user: the wait it shows must run to its end.
  return message == WM_INITDIALOG ? TRUE : FALSE;
}

}  // namespace kestrel
