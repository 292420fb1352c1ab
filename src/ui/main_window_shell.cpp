#include "ui/main_window_shell.h"

#include "ui/about_box.h"
#include "ui/html_help.h"
#include "ui/resource_ids.h"
#include "win32/wide_text.h"

namespace kestrel {

MainWindowShell::MainWindowShell(HINSTANCE instance, const ShellTraits& traits)
    : instance_(instance),
      traits_(traits),
      largeIcon_(LoadIconW(instance, MAKEINTRESOURCEW(IDI_PROGRAM))),
      smallIcon_(static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_PROGRAM), IMAGE_ICON,
                                               GetSystemMetrics(SM_CXSMICON),
                                               GetSystemMetrics(SM_CYSMICON), 0))) {}

MainWindowShell::~MainWindowShell() {
  // LoadIcon's icon is shared and never destroyed; LoadImage's is ours.
  if (smallIcon_ != nullptr) DestroyIcon(smallIcon_);
}

Language MainWindowShell::SetUp(HWND window, ControlTextTable japaneseTexts) {
  static const Win32AnsiDecoder kAnsiCodePage;
  language_.oemCodePage = static_cast<int32_t>(GetOEMCP());
  language_.ansi = &kAnsiCodePage;

  if (HMENU menu = GetSystemMenu(window, FALSE)) {
    const std::string about = Pick(traits_.aboutItem, language_);
    const std::string help = Pick(traits_.helpItem, language_);
    if (ShouldAppendMenuItems(about, help)) {
      AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
      AppendMenuW(menu, MF_STRING, kSysCommandHelp, Wide(help).c_str());
      AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
      AppendMenuW(menu, MF_STRING, kSysCommandAbout, Wide(about).c_str());
    }
  }

  SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(largeIcon_));
  SendMessageW(window, WM_SETICON, ICON_SMALL,
               reinterpret_cast<LPARAM>(smallIcon_ != nullptr ? smallIcon_ : largeIcon_));

  if (language_.Japanese()) {
    for (size_t i = 0; i < japaneseTexts.count; ++i) {
      const ControlText& row = japaneseTexts.rows[i];
      SetDlgItemTextW(window, row.controlId, Wide(row.japanese).c_str());
    }
  }
  return language_;
}

bool MainWindowShell::HandleSysCommand(HWND window, WPARAM wParam) {
  switch (ClassifySysCommand(static_cast<uint32_t>(wParam))) {
    case ShellCommand::About:
      ShowAbout(window);
      return true;
    case ShellCommand::Help:
      ShowHelp(window);
      return true;
    case ShellCommand::Other:
      break;
  }
  return false;
}

bool MainWindowShell::PaintMinimized(HWND window) {
  if (!IsIconic(window)) return false;
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  SendMessageW(window, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  RECT client;
  GetClientRect(window, &client);
  const int iconWidth = GetSystemMetrics(SM_CXICON);
  const int iconHeight = GetSystemMetrics(SM_CYICON);
  const int x = (client.right - client.left - iconWidth + 1) / 2;
  const int y = (client.bottom - client.top - iconHeight + 1) / 2;
  DrawIcon(dc, x, y, largeIcon_);
  EndPaint(window, &paint);
  return true;
}

void MainWindowShell::ShowAbout(HWND window) {
  AboutBox box(instance_, traits_);
  box.Run(window);
}

void MainWindowShell::ShowHelp(HWND window) {
  if (!DisplayHelpTopic(window, HelpPath(traits_, language_))) {
    ShowMessage(window, Pick(traits_.helpMissing, language_), kErrorCaption);
  }
}

void MainWindowShell::ShowMessage(HWND owner, const std::string& text, const std::string& caption) {
  MessageBoxW(owner, Wide(text).c_str(), Wide(caption).c_str(), MB_OK);
}

}  // namespace kestrel
