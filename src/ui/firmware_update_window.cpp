#include "ui/firmware_update_window.h"

#include <commdlg.h>

#include <array>

#include "firmware/firmware_messages.h"
#include "ui/confirm_update_dialog.h"
#include "ui/resource_ids.h"
#include "win32/wide_text.h"

namespace kestrel {
namespace {

// The file dialog's name buffer, terminating zero included.
constexpr size_t kFileNameBufferChars = 256;

}  // namespace

FirmwareUpdateWindow::FirmwareUpdateWindow(HINSTANCE instance, const MainWindowSetup& setup,
                                           int confirmTemplateId)
    : DriveWindow(instance, setup), confirmTemplateId_(confirmTemplateId) {}

INT_PTR FirmwareUpdateWindow::Run(FirmwareOperations& operations) {
  operations_ = &operations;
  const INT_PTR result = RunModal();
  operations_ = nullptr;
  return result;
}

void FirmwareUpdateWindow::OnSetUp() {
  // The log is never cut: lift the edit control's default limit.
  SendDlgItemMessageW(window(), IDC_STATUS, EM_SETLIMITTEXT, 0, 0);
  operations_->OnWindowSetUp(language());
}

void FirmwareUpdateWindow::OnCommand(int id, int code) {
  if (code != BN_CLICKED) return;
  switch (id) {
    case IDC_FILE:
      RunOperation(
          [this] { operations_->LoadFirmwareFile(ChooseFile(operations_->FileDialogRequest())); });
      break;
    case IDC_UPDATE:
      RunOperation([this] { operations_->UpdateFirmware(UpdateRequest{ListSelection()}); });
      break;
    case IDC_EXIT:
      RequestClose();
      break;
    default:  // Enter (IDOK) does not close the window
      break;
  }
}

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
  SetDlgItemTextW(window(), IDC_FILE_NAME, Wide(text).c_str());
}

void FirmwareUpdateWindow::SetInfoField(const std::string& text) {
  SetDlgItemTextW(window(), IDC_FILE_INFO, Wide(text).c_str());
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
  dialog.hwndOwner = window();
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
  ShowBox(firmware_text::FileOpenErrorText(path, cause, language()), traits().name);
}

bool FirmwareUpdateWindow::ConfirmUpdate(const std::string& oldFirmware,
                                         const std::string& newFirmware) {
  ConfirmUpdateDialog dialog(instance(), confirmTemplateId_, language(), oldFirmware, newFirmware);
  return dialog.Run(window());
}

void FirmwareUpdateWindow::HoldSession(const std::string& reason) {
  sessionHold_.Begin(window(), Wide(reason));
}

void FirmwareUpdateWindow::ReleaseSession() { sessionHold_.End(); }

INT_PTR FirmwareUpdateWindow::OnOtherMessage(UINT message, WPARAM, LPARAM) {
  if (message != WM_QUERYENDSESSION || !sessionHold_.Held()) return FALSE;
  // A dialog procedure gives its answer through DWLP_MSGRESULT.
  SetWindowLongPtrW(window(), DWLP_MSGRESULT, FALSE);
  return TRUE;
}

}  // namespace kestrel
