// selftest.exe: a small dialog with the kinds of control the programs have,
// so the harness can prove the probe before a real program is driven.
#include <windows.h>
#include <commdlg.h>

#include <string>

#include "selftest_ids.h"

namespace {

bool g_japanese = false;
int g_count = 0;

const wchar_t* Pick(const wchar_t* english, const wchar_t* japanese) {
  return g_japanese ? japanese : english;
}

void OnInit(HWND dialog) {
  g_japanese = GetOEMCP() == 932;
  if (g_japanese) {
    SetWindowTextW(dialog, L"プローブ試験");
    SetDlgItemTextW(dialog, IDC_GREETING, L"こんにちは");
  }
  HMENU menu = GetSystemMenu(dialog, FALSE);
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(menu, MF_STRING, 0x20, Pick(L"&Self Help", L"ヘルプ(&H)"));
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(menu, MF_STRING, 0x10, Pick(L"&About Self-Test", L"試験について(&A)"));
  HWND combo = GetDlgItem(dialog, IDC_CHOICE);
  for (const wchar_t* item : {L"alpha", L"beta", L"ガンマ"})
    SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
}

void OnOpen(HWND dialog) {
  wchar_t path[MAX_PATH] = L"UPDATE.HEX";
  OPENFILENAMEW ofn = {};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = dialog;
  ofn.lpstrFilter = L"HEX files\0*.HEX\0All files\0*.*\0";
  ofn.lpstrFile = path;
  ofn.nMaxFile = MAX_PATH;
  ofn.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
  if (GetOpenFileNameW(&ofn)) SetDlgItemTextW(dialog, IDC_CHOSEN, path);
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      OnInit(dialog);
      return TRUE;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == 0x10) {
        MessageBoxW(dialog, L"Self-Test\r\nVersion 1.00", L"About", MB_OK);
        return TRUE;
      }
      if (wParam == 0x20) {
        MessageBoxW(dialog, Pick(L"Help file is not found.", L"ヘルプファイルが見つかりません。"), L"Error",
                    MB_OK);
        return TRUE;
      }
      return FALSE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_COUNT_BUTTON:
          // Slow on purpose: a read that overtakes the click sees the old count.
          Sleep(150);
          SetDlgItemInt(dialog, IDC_COUNT, ++g_count, FALSE);
          return TRUE;
        case IDC_BOX_BUTTON: {
          int answer = MessageBoxW(dialog, L"Proceed?\r\nSecond line", L"Caution", MB_YESNO);
          SetDlgItemTextW(dialog, IDC_CHOSEN, answer == IDYES ? L"yes" : L"no");
          return TRUE;
        }
        case IDC_OPEN_BUTTON:
          OnOpen(dialog);
          return TRUE;
        case IDC_CHOICE:
          if (HIWORD(wParam) == CBN_SELCHANGE) {
            HWND combo = GetDlgItem(dialog, IDC_CHOICE);
            wchar_t text[64] = {};
            SendMessageW(combo, CB_GETLBTEXT, SendMessageW(combo, CB_GETCURSEL, 0, 0),
                         reinterpret_cast<LPARAM>(text));
            SetDlgItemTextW(dialog, IDC_CHOSEN, text);
          }
          return TRUE;
        case IDC_EXIT_BUTTON:
        case IDCANCEL:
          EndDialog(dialog, 0);
          return TRUE;
      }
      return FALSE;
  }
  return FALSE;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
  return static_cast<int>(DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_SELFTEST), nullptr, DialogProc, 0));
}
