#include "ui/firmware_update_window.h"

#include <commdlg.h>

#include <array>

#include "firmware/firmware_messages.h"
#include "shell/firmware_window_texts.h"
#include "ui/confirm_update_dialog.h"
#include "ui/dialog_thunk.h"
#include "ui/resource_ids.h"
#include "ui/wide_text.h"

namespace kestrel {
namespace {

// The file dialog's name buffer, terminating zero included.
constexpr size_t kFileNameBufferChars = 256;

bool IsUserInput(UINT message) {
  return (message >= WM_KEYFIRST && message <= WM_KEYLAST) ||
         (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) ||
         (message >= WM_NCMOUSEMOVE && message <= WM_NCXBUTTONDBLCLK);
}

}  // namespace

FirmwareUpdateWindow::FirmwareUpdateWindow(HINSTANCE instance, const FirmwareWindowConfig& config)
    : instance_(instance), config_(config), shell_(instance, config.shell), progress_(instance) {}

INT_PTR FirmwareUpdateWindow::Run(FirmwareOperations& operations) {
  operations_ = &operations;
  const INT_PTR result =
      DialogBoxParamW(instance_, MAKEINTRESOURCEW(IDD_FIRMWARE_UPDATE), nullptr,
                      DialogThunk<FirmwareUpdateWindow>, reinterpret_cast<LPARAM>(this));
  operations_ = nullptr;
  return result;
}

INT_PTR FirmwareUpdateWindow::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      window_ = window;
      return OnInitDialog();
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam));
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
  return FALSE;
}

BOOL FirmwareUpdateWindow::OnInitDialog() {
  language_ = shell_.SetUp(window_, FirmwareWindowControlTexts());
  // The log is never cut: lift the edit control's default limit.
  SendDlgItemMessageW(window_, IDC_STATUS, EM_SETLIMITTEXT, 0, 0);
  RunOperation([this] { operations_->OnWindowSetUp(language_); });
  return TRUE;  // the dialog manager sets the focus
}

void FirmwareUpdateWindow::OnCommand(WORD id, WORD code) {
  if (busy_) {
    // A close (close box, Escape) asked for while an operation runs waits
    // for its end; anything else is dropped.
    if (id == IDCANCEL) closePending_ = true;
    return;
  }
  switch (id) {
    case IDC_FILE:
      if (code == BN_CLICKED) RunOperation([this] { operations_->LoadFirmwareFile(); });
      break;
    case IDC_UPDATE:
      if (code == BN_CLICKED) RunOperation([this] { operations_->UpdateFirmware(); });
      break;
    case IDC_EXIT:
      if (code == BN_CLICKED) SendMessageW(window_, WM_SYSCOMMAND, SC_CLOSE, 0);
      break;
    case IDCANCEL:  // the close command of the caption or the system menu, or Escape
      EndDialog(window_, IDCANCEL);
      break;
    default:  // Enter (IDOK) does not close the window
      break;
  }
}

bool FirmwareUpdateWindow::OnSysCommand(WPARAM wParam) {
  if (busy_) {
    if ((wParam & 0xFFF0) == SC_CLOSE) closePending_ = true;
    return true;
  }
  return shell_.HandleSysCommand(window_, wParam);
}

template <class Operation>
void FirmwareUpdateWindow::RunOperation(Operation operation) {
  busy_ = true;
  operation();
  busy_ = false;
  if (closePending_ && window_ != nullptr) {
    closePending_ = false;
    PostMessageW(window_, WM_SYSCOMMAND, SC_CLOSE, 0);
  }
}

// --- MessageBoxView -------------------------------------------------------

void FirmwareUpdateWindow::ShowMessageBox(const std::string& text, const std::string& caption) {
  shell_.ShowMessage(window_, text, caption);
}

// --- ProgressView ---------------------------------------------------------

void FirmwareUpdateWindow::OpenProgress() { progress_.Open(window_); }

void FirmwareUpdateWindow::SetProgressRange(int low, int high, int step) {
  progress_.SetRange(low, high, step);
}

void FirmwareUpdateWindow::StepProgress() { progress_.Step(); }

void FirmwareUpdateWindow::SetProgressLabel(const std::string& text) { progress_.SetLabel(text); }

void FirmwareUpdateWindow::CloseProgress() { progress_.Close(); }

void FirmwareUpdateWindow::Pump() {
  // Only this thread's windows are in its queue: the main window, its
  // controls and the progress window. Painting, timers and posted messages
  // are handled; the user's keys and clicks are dropped, so that nothing
  // starts while an operation runs.
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

// --- DriveListView --------------------------------------------------------

int FirmwareUpdateWindow::ListCount() const {
  return static_cast<int>(SendDlgItemMessageW(window_, IDC_DRIVE_LIST, CB_GETCOUNT, 0, 0));
}

bool FirmwareUpdateWindow::DeleteListItem(int index) {
  return SendDlgItemMessageW(window_, IDC_DRIVE_LIST, CB_DELETESTRING, index, 0) != CB_ERR;
}

void FirmwareUpdateWindow::AddListItem(const std::string& text) {
  SendDlgItemMessageW(window_, IDC_DRIVE_LIST, CB_ADDSTRING, 0,
                      reinterpret_cast<LPARAM>(Wide(text).c_str()));
}

void FirmwareUpdateWindow::SelectListItem(int index) {
  SendDlgItemMessageW(window_, IDC_DRIVE_LIST, CB_SETCURSEL, index, 0);
}

int FirmwareUpdateWindow::ListSelection() const {
  const LRESULT selection = SendDlgItemMessageW(window_, IDC_DRIVE_LIST, CB_GETCURSEL, 0, 0);
  return selection == CB_ERR ? -1 : static_cast<int>(selection);
}

void FirmwareUpdateWindow::RefreshControls() {
  // The controls hold the window's data themselves; let them show it now,
  // while a long operation keeps the message loop from running.
  if (window_ != nullptr) UpdateWindow(window_);
}

void FirmwareUpdateWindow::CloseWindow() { PostMessageW(window_, WM_SYSCOMMAND, SC_CLOSE, 0); }

// --- FirmwareView ---------------------------------------------------------

void FirmwareUpdateWindow::SetStatusText(const std::string& log, bool scrollToEnd) {
  HWND status = Control(IDC_STATUS);
  SetWindowTextW(status, Wide(log).c_str());
  if (scrollToEnd) {
    const int length = GetWindowTextLengthW(status);
    SendMessageW(status, EM_SETSEL, length, length);
    SendMessageW(status, EM_SCROLLCARET, 0, 0);
  }
  UpdateWindow(status);
}

void FirmwareUpdateWindow::SetFileNameField(const std::string& text) {
  SetDlgItemTextW(window_, IDC_FILE_NAME, Wide(text).c_str());
}

void FirmwareUpdateWindow::SetInfoField(const std::string& text) {
  SetDlgItemTextW(window_, IDC_FILE_INFO, Wide(text).c_str());
}

std::optional<std::string> FirmwareUpdateWindow::ChooseFile(const OpenFileRequest& request) {
  std::array<wchar_t, kFileNameBufferChars> fileName{};
  const std::wstring initialName = Wide(request.initialName);
  initialName.copy(fileName.data(), fileName.size() - 1);

  std::wstring filter = Wide(request.filterText);
  filter.push_back(L'\0');
  filter += Wide(request.filterPatterns);
  filter.push_back(L'\0');  // c_str() adds the second terminating zero
  const std::wstring title = Wide(request.title);
  const std::wstring initialDirectory = Wide(request.initialDirectory);

  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = window_;
  dialog.lpstrFilter = filter.c_str();
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = fileName.data();
  dialog.nMaxFile = static_cast<DWORD>(fileName.size());
  dialog.lpstrInitialDir = initialDirectory.c_str();
  dialog.lpstrTitle = title.c_str();
  // Only the read-only box is hidden: a name typed for a file that does not
  // exist comes back, and the loader reports it in the file-error box. The
  // current directory stays where the program was started, where Help looks
  // for its files; the next dialog opens in the kept folder.
  dialog.Flags = OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
  if (!GetOpenFileNameW(&dialog)) return std::nullopt;
  return Narrow(fileName.data());
}

void FirmwareUpdateWindow::ShowFileError(const std::string& path, int cause) {
  shell_.ShowMessage(window_, firmware_text::FileOpenErrorText(path, cause, language_),
                     config_.shell.name);
}

bool FirmwareUpdateWindow::ConfirmUpdate(const std::string& oldFirmware,
                                         const std::string& newFirmware) {
  ConfirmUpdateDialog dialog(instance_, config_.confirmTemplateId, language_, oldFirmware,
                             newFirmware);
  return dialog.Run(window_);
}

}  // namespace kestrel
