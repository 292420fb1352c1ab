#include "ui/launcher_window.h"

#include "shell/control_text.h"
#include "ui/resource_ids.h"
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
    : MainWindow(instance, {traits, IDD_LAUNCHER, 0, 0,
                            {kJapaneseTexts, sizeof kJapaneseTexts / sizeof kJapaneseTexts[0]}}) {}

INT_PTR LauncherWindow::Run(UtilityLauncher& launcher) {
  launcher_ = &launcher;
  return RunModal();
}

void LauncherWindow::OnSetUp() {
  if (language().Japanese()) SetWindowTextW(window(), Wide(kJapaneseTitle).c_str());
  launcher_->OnWindowSetUp(language());
}

void LauncherWindow::OnCommand(int id, int) {
  if (const UtilityRow* row = UtilityRowForButton(id)) {
    launcher_->LaunchUtility(row->utility);
    return;
  }
  switch (id) {
    case IDC_HELP_INDEX:
      ShowHelp();
      break;
    case IDC_LAUNCHER_EXIT:
      RequestClose();
      break;
  }
}

void LauncherWindow::OnCloseRequest() {
  if (closing_) return;
  closing_ = true;
  // Waits for the utilities still running; meanwhile the window paints and
  // acts on nothing.
  RunOperation([this] { launcher_->Close(); });
  EndWindow();
}

void LauncherWindow::SetInformationText(const std::string& text) {
  SetDlgItemTextW(window(), IDC_OS_INFORMATION, Wide(text).c_str());
}

}  // namespace kestrel
