// kprobehook.dll: loaded into the program under test by the probe's
// WH_GETMESSAGE hook. Wine keeps menus private to their process, and a posted
// marker is the only sure way to know that earlier posted input was handled,
// so both are answered from inside the program's own thread.
#include <windows.h>

#include <string>

#include "probe_protocol.h"

namespace {

std::wstring DescribeSystemMenu(HWND window) {
  std::wstring report;
  HMENU menu = GetSystemMenu(window, FALSE);
  if (!menu) return report;
  const int count = GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    wchar_t text[256] = {};
    MENUITEMINFOW info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_ID | MIIM_FTYPE | MIIM_STRING;
    info.dwTypeData = text;
    info.cch = ARRAYSIZE(text) - 1;
    if (!GetMenuItemInfoW(menu, i, TRUE, &info)) continue;
    if (info.fType & MFT_SEPARATOR) {
      report += L"SEP\n";
      continue;
    }
    wchar_t id[16];
    wsprintfW(id, L"%04X\t", info.wID & 0xFFFF);
    report += id;
    report += text;
    report += L"\n";
  }
  return report;
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK KProbeGetMsgProc(int code, WPARAM removed,
                                                                   LPARAM param) {
  if (code == HC_ACTION && removed == PM_REMOVE) {
    MSG* msg = reinterpret_cast<MSG*>(param);
    static const UINT sync = kprobe::SyncMessage();
    static const UINT ack = kprobe::AckMessage();
    static const UINT sysMenu = kprobe::SysMenuMessage();
    HWND reply = reinterpret_cast<HWND>(msg->wParam);
    if (msg->message == sync) {
      PostMessageW(reply, ack, 0, msg->lParam);
      msg->message = WM_NULL;
    } else if (msg->message == sysMenu) {
      std::wstring report = DescribeSystemMenu(msg->hwnd);
      COPYDATASTRUCT data = {};
      data.dwData = kprobe::kSysMenuReport;
      data.cbData = static_cast<DWORD>((report.size() + 1) * sizeof(wchar_t));
      data.lpData = const_cast<wchar_t*>(report.c_str());
      DWORD_PTR result = 0;
      SendMessageTimeoutW(reply, WM_COPYDATA, reinterpret_cast<WPARAM>(msg->hwnd),
                          reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG, 5000, &result);
      msg->message = WM_NULL;
    }
  }
  return CallNextHookEx(nullptr, code, removed, param);
}

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
