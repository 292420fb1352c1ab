#include "ui/speed_window.h"

#include <vector>

#include "speed/speed_choices.h"
#include "speed/speed_messages.h"
#include "ui/resource_ids.h"
#include "win32/wide_text.h"

namespace kestrel {

INT_PTR SpeedWindow::Run(SpeedWindowOperations& operations) {
  operations_ = &operations;
  const INT_PTR result = RunModal();
  operations_ = nullptr;
  return result;
}

void SpeedWindow::FillLists() {
  for (const char* label : speed_text::kSpeedChoiceLabels) {
    SendDlgItemMessageW(window(), IDC_SPEED_LIST, CB_ADDSTRING, 0,
                        reinterpret_cast<LPARAM>(Wide(label).c_str()));
  }
  for (const MessagePair& label : speed_text::kDriveModeLabels) {
    SendDlgItemMessageW(window(), IDC_MODE_LIST, CB_ADDSTRING, 0,
                        reinterpret_cast<LPARAM>(Wide(Pick(label, language())).c_str()));
  }
}

void SpeedWindow::OnSetUp() {
  // The log only grows: lift the edit control's default limit.
  SendDlgItemMessageW(window(), IDC_SPEED_LOG, EM_SETLIMITTEXT, 0, 0);
  FillLists();
  if (!operations_->OnWindowSetUp(language())) return;  // the discovery closes the window
  SelectListItem(0);
  SendDlgItemMessageW(window(), IDC_SPEED_LIST, CB_SETCURSEL, 0, 0);
  SendDlgItemMessageW(window(), IDC_MODE_LIST, CB_SETCURSEL, 0, 0);
  SetDlgItemTextW(window(), IDC_SPEED_LOG, Wide(messageLog_).c_str());
  SetWindowPos(window(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
}

void SpeedWindow::OnCommand(int id, int code) {
  if (code != BN_CLICKED) return;
  switch (id) {
    case IDC_SET_SPEED:
      RunOperation([this] { operations_->ChangeSpeed(SpeedChoiceRequest()); });
      break;
    case IDC_DRIVE_INFORMATION:
      RunOperation([this] { operations_->ReportSpeed(ListSelection()); });
      break;
    case IDC_SET_MODE:
      RunOperation([this] { operations_->ChangeDriveMode(ModeRequest()); });
      break;
    case IDC_SPEED_EXIT:
    case IDOK:  // Enter with no push button focused closes the window, as Escape does
      RequestClose();
      break;
    default:
      break;
  }
}

SpeedRequest SpeedWindow::SpeedChoiceRequest() const {
  // Audio Extraction Speed list (1010); no selection asks for the maximum.
  const int speed =
      static_cast<int>(SendDlgItemMessageW(window(), IDC_SPEED_LIST, CB_GETCURSEL, 0, 0));
  return SpeedRequest{ListSelection(), SpeedChoice(speed)};
}

DriveModeRequest SpeedWindow::ModeRequest() const {
  // Drive Mode list (1013): the mode is named by the selected item's text.
  const int item =
      static_cast<int>(SendDlgItemMessageW(window(), IDC_MODE_LIST, CB_GETCURSEL, 0, 0));
  return DriveModeRequest{ListSelection(),
                          item < 0 ? -1 : DriveModeIndex(ModeItemText(item), language())};
}

std::string SpeedWindow::ModeItemText(int index) const {
  const LRESULT length =
      SendDlgItemMessageW(window(), IDC_MODE_LIST, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length == CB_ERR) return "";
  std::vector<wchar_t> text(static_cast<size_t>(length) + 1);
  SendDlgItemMessageW(window(), IDC_MODE_LIST, CB_GETLBTEXT, static_cast<WPARAM>(index),
                      reinterpret_cast<LPARAM>(text.data()));
  return Narrow(text.data());
}

// --- SpeedView --------------------------------------------------------------

void SpeedWindow::appendToLog(const std::string& text) {
  messageLog_ += text;
  HWND log = Control(IDC_SPEED_LOG);
  SetWindowTextW(log, Wide(messageLog_).c_str());
  const int length = GetWindowTextLengthW(log);
  SendMessageW(log, EM_SETSEL, length, -1);
  SendMessageW(log, EM_SCROLLCARET, 0, 0);
  UpdateWindow(log);
}

}  // namespace kestrel
