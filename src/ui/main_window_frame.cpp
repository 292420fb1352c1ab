#include "ui/main_window_frame.h"

#include "ui/dialog_thunk.h"
#include "win32/message_pump.h"
#include "win32/wide_text.h"

namespace kestrel {

MainWindowFrame::MainWindowFrame(HINSTANCE instance, const MainWindowSetup& setup)
    : instance_(instance),
      setup_(setup),
      shell_(instance, setup.shell),
      progress_(instance, setup.progressTemplateId) {}

INT_PTR MainWindowFrame::RunModal() {
  return DialogBoxParamW(instance_, MAKEINTRESOURCEW(setup_.templateId), nullptr,
                         DialogThunk<MainWindowFrame>, reinterpret_cast<LPARAM>(this));
}

INT_PTR MainWindowFrame::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      window_ = window;
      return OnInitDialog();
    case WM_COMMAND:
      OnCommandMessage(LOWORD(wParam), HIWORD(wParam));
      return TRUE;
    case WM_SYSCOMMAND:
      return OnSysCommand(wParam) ? TRUE : FALSE;
    case WM_PAINT:
      return shell_.PaintMinimized(window) ? TRUE : FALSE;
    case WM_QUERYDRAGICON:
      return reinterpret_cast<INT_PTR>(shell_.Icon());
    case WM_DESTROY:
      progress_.Close();
      window_ = nullptr;
      return FALSE;
  }
  return OnOtherMessage(message, wParam, lParam);
}

BOOL MainWindowFrame::OnInitDialog() {
  language_ = shell_.SetUp(window_, setup_.japaneseTexts);
  RunOperation([this] { OnSetUp(); });
  return TRUE;  // the dialog manager sets the focus
}

void MainWindowFrame::OnCommandMessage(WORD id, WORD code) {
  if (busy_) {
    // A close (close box, Escape) asked for while an operation runs waits
    // for its end; anything else is dropped.
    if (id == IDCANCEL) closePending_ = true;
    return;
  }
  if (id == IDCANCEL) {  // the close command of the caption or the system menu, or Escape
    OnCloseRequest();
    return;
  }
  OnCommand(id, code);  // Enter (IDOK) closes nothing unless the window says so
}

bool MainWindowFrame::OnSysCommand(WPARAM wParam) {
  if (busy_) {
    if ((wParam & 0xFFF0) == SC_CLOSE) closePending_ = true;
    return true;
  }
  return shell_.HandleSysCommand(window_, wParam);
}

void MainWindowFrame::EndOperation() {
  busy_ = false;
  if (closePending_ && window_ != nullptr) {
    closePending_ = false;
    PostMessageW(window_, WM_SYSCOMMAND, SC_CLOSE, 0);
  }
}

void MainWindowFrame::RequestClose() { SendMessageW(window_, WM_SYSCOMMAND, SC_CLOSE, 0); }

void MainWindowFrame::EndWindow() { EndDialog(window_, IDCANCEL); }

void MainWindowFrame::ShowHelp() { shell_.ShowHelp(window_); }

void MainWindowFrame::PostClose() { PostMessageW(window_, WM_SYSCOMMAND, SC_CLOSE, 0); }

void MainWindowFrame::ShowBox(const std::string& text, const std::string& caption) {
  shell_.ShowMessage(window_, text, caption);
}

bool MainWindowFrame::AskBox(const std::string& text, const std::string& caption, BoxIcon icon) {
  const UINT style = MB_OKCANCEL | (icon == BoxIcon::Exclamation ? MB_ICONEXCLAMATION : 0);
  return MessageBoxW(window_, Wide(text).c_str(), Wide(caption).c_str(), style) == IDOK;
}

void MainWindowFrame::PumpMessages() { win32::PumpWithoutInput(); }

int MainWindowFrame::ListCount() const {
  return static_cast<int>(SendDlgItemMessageW(window_, setup_.driveListId, CB_GETCOUNT, 0, 0));
}

bool MainWindowFrame::DeleteListItem(int index) {
  return SendDlgItemMessageW(window_, setup_.driveListId, CB_DELETESTRING, index, 0) != CB_ERR;
}

void MainWindowFrame::AddListItem(const std::string& text) {
  SendDlgItemMessageW(window_, setup_.driveListId, CB_ADDSTRING, 0,
                      reinterpret_cast<LPARAM>(Wide(text).c_str()));
}

void MainWindowFrame::SelectListItem(int index) {
  SendDlgItemMessageW(window_, setup_.driveListId, CB_SETCURSEL, index, 0);
}

int MainWindowFrame::ListSelection() const {
  const LRESULT selection = SendDlgItemMessageW(window_, setup_.driveListId, CB_GETCURSEL, 0, 0);
  return selection == CB_ERR ? -1 : static_cast<int>(selection);
}

void MainWindowFrame::RefreshWindow() {
  // The controls hold the window's data themselves; let them show it now,
  // while a long operation keeps the message loop from running.
  if (window_ != nullptr) UpdateWindow(window_);
}

}  // namespace kestrel
