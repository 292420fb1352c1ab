#include "ui/launcher_window.h"

#include "shell/control_text.h"
#include "ui/dialog_thunk.h"
#include "ui/resource_ids.h"
#include "win32/message_pump.h"
#include "win32/wide_text.h"

namespace kestrel {
namespace {

// The Japanese window's texts, set at start-up over the English template.
const ControlText kJapaneseTexts[] = {
    {0, IDC_LAUNCH_UPDATE, "ファームウェアバージョンアップ"},
    {0, IDC_LAUNCH_SPEED, "スピードコントロール"},
    {0, IDC_LAUNCH_REGION, "リージョンコード設定"},
    {0, IDC_HELP_INDEX, "DVD-ROMユーティリティについて"},
    {0, IDC_LAUNCHER_EXIT, "終了"},
};
constexpr const char* kJapaneseTitle = "DVD-ROMユーティリティ[Windows版]";

}  // namespace

LauncherWindow::LauncherWindow(HINSTANCE instance, const ShellTraits& traits)
    : instance_(instance), shell_(instance, traits) {}

INT_PTR LauncherWindow::Run(UtilityLauncher& launcher) {
  launcher_ = &launcher;
  return DialogBoxParamW(instance_, MAKEINTRESOURCEW(IDD_LAUNCHER), nullptr,
                         DialogThunk<LauncherWindow>, reinterpret_cast<LPARAM>(this));
}

INT_PTR LauncherWindow::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      window_ = window;
      return OnInitDialog();
    case WM_COMMAND:
      OnCommand(LOWORD(wParam));
      return TRUE;
    case WM_CLOSE:
      OnClose();
      return TRUE;
    case WM_SYSCOMMAND:
      // While the close procedure waits, neither About nor Help opens.
      if (closing_ && ClassifySysCommand(static_cast<uint32_t>(wParam)) != ShellCommand::Other) {
        return TRUE;
      }
      if (!closing_ && shell_.HandleSysCommand(window, wParam)) {
        SetWindowLongPtrW(window, DWLP_MSGRESULT, 0);
        return TRUE;
      }
      return FALSE;
    case WM_PAINT:
      return shell_.PaintMinimized(window) ? TRUE : FALSE;
    case WM_QUERYDRAGICON:
      SetWindowLongPtrW(window, DWLP_MSGRESULT, reinterpret_cast<LONG_PTR>(shell_.Icon()));
      return TRUE;
  }
  return FALSE;
}

BOOL LauncherWindow::OnInitDialog() {
  const Language language =
      shell_.SetUp(window_, {kJapaneseTexts, sizeof kJapaneseTexts / sizeof kJapaneseTexts[0]});
  if (language.Japanese()) SetWindowTextW(window_, Wide(kJapaneseTitle).c_str());
  launcher_->OnWindowSetUp(language);
  return TRUE;
}

void LauncherWindow::OnCommand(WORD id) {
  if (closing_) return;
  if (const UtilityRow* row = UtilityRowForButton(id)) {
    launcher_->LaunchUtility(row->utility);
    return;
  }
  switch (id) {
    case IDC_HELP_INDEX:
      shell_.ShowHelp(window_);
      break;
    case IDC_LAUNCHER_EXIT:
    case IDCANCEL:  // Esc: a close request like the others
      SendMessageW(window_, WM_CLOSE, 0, 0);
      break;
  }
}

void LauncherWindow::OnClose() {
  if (closing_) return;
  closing_ = true;
  launcher_->Close();
  EndDialog(window_, 0);
}

void LauncherWindow::ShowMessageBox(const std::string& text, const std::string& caption) {
  shell_.ShowMessage(window_, text, caption);
}

bool LauncherWindow::AskOkCancel(const std::string& text, const std::string& caption,
                                 BoxIcon icon) {
  return shell_.AskOkCancel(window_, text, caption, icon);
}

void LauncherWindow::SetInformationText(const std::string& text) {
  SetDlgItemTextW(window_, IDC_OS_INFORMATION, Wide(text).c_str());
}

void LauncherWindow::Pump() {
  // Painting and posted messages are handled; the user's keys and clicks are
  // dropped, and a close or command that arrives is ignored while closing_.
  win32::PumpWithoutInput();
}

}  // namespace kestrel
