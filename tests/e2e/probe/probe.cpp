// probe.exe: drives the windows of a program under test from outside.
//
//   probe.exe [-d DESKTOP] [-t TIMEOUT_MS] COMMAND [ARGS...]
//
// Windows are named by their exact title ("~part" matches a part of it) and
// controls by their id; never by coordinates. Texts arrive and leave as UTF-8;
// output is written raw to stdout. Exit code 0 on success, 1 on failure (the
// reason goes to stderr), 2 on a usage error. See usage() for the commands.
#include <windows.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

#include "probe_protocol.h"

namespace {

DWORD g_timeoutMs = 10000;
HWND g_replyWindow = nullptr;
std::wstring g_sysMenuReport;
bool g_sysMenuArrived = false;
LPARAM g_ackToken = 0;

// ---- text and output ------------------------------------------------------

std::string ToUtf8(const std::wstring& text) {
  if (text.empty()) return {};
  int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                 0, nullptr, nullptr);
  std::string out(size, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], size,
                      nullptr, nullptr);
  return out;
}

void WriteHandle(DWORD which, const std::string& bytes) {
  HANDLE handle = GetStdHandle(which);
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD written = 0;
    if (!WriteFile(handle, bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &written,
                   nullptr) ||
        written == 0)
      return;
    done += written;
  }
}

void Out(const std::wstring& text) { WriteHandle(STD_OUTPUT_HANDLE, ToUtf8(text)); }
void Err(const std::wstring& text) { WriteHandle(STD_ERROR_HANDLE, ToUtf8(L"probe: " + text + L"\n")); }

int Fail(const std::wstring& text) {
  Err(text);
  return 1;
}

std::wstring Hex(UINT_PTR value) {
  wchar_t buf[32];
  swprintf(buf, 32, L"%08lX", static_cast<unsigned long>(value));
  return buf;
}

bool ParseNumber(const std::wstring& text, long* value) {
  if (text.empty()) return false;
  wchar_t* end = nullptr;
  long parsed = wcstol(text.c_str(), &end, 0);
  if (*end != L'\0') return false;
  *value = parsed;
  return true;
}

// ---- windows --------------------------------------------------------------

std::wstring WindowTitle(HWND window) {
  int length = GetWindowTextLengthW(window);
  std::wstring text(length + 1, L'\0');
  int got = GetWindowTextW(window, &text[0], length + 1);
  text.resize(got > 0 ? got : 0);
  return text;
}

std::wstring ClassName(HWND window) {
  wchar_t name[256] = {};
  GetClassNameW(window, name, 255);
  return name;
}

bool TitleMatches(const std::wstring& title, const std::wstring& pattern) {
  if (!pattern.empty() && pattern[0] == L'~') return title.find(pattern.substr(1)) != std::wstring::npos;
  return title == pattern;
}

struct Search {
  const std::wstring* pattern;
  bool hiddenToo;
  HWND found;
};

BOOL CALLBACK FindTopProc(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  if (window == g_replyWindow || (!search->hiddenToo && !IsWindowVisible(window))) return TRUE;
  if (TitleMatches(WindowTitle(window), *search->pattern)) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

// A visible window with the title; with hiddenToo, else a hidden one (a
// dialog is hidden while it sets itself up, and may end before it shows).
HWND FindTop(const std::wstring& pattern, bool hiddenToo = false) {
  Search search{&pattern, false, nullptr};
  EnumWindows(FindTopProc, reinterpret_cast<LPARAM>(&search));
  if (!search.found && hiddenToo && !pattern.empty() && pattern != L"~") {
    search.hiddenToo = true;
    EnumWindows(FindTopProc, reinterpret_cast<LPARAM>(&search));
  }
  return search.found;
}

// Lets messages sent to our reply window through while waiting.
void PumpFor(DWORD ms) {
  DWORD start = GetTickCount();
  for (;;) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    DWORD elapsed = GetTickCount() - start;
    if (elapsed >= ms) return;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - elapsed, QS_ALLINPUT);
  }
}

template <class Pred>
bool WaitFor(Pred pred, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  for (;;) {
    if (pred()) return true;
    if (GetTickCount() - start >= timeoutMs) return false;
    PumpFor(20);
  }
}

HWND WaitTop(const std::wstring& pattern, DWORD timeoutMs) {
  HWND found = nullptr;
  WaitFor([&] { return (found = FindTop(pattern)) != nullptr; }, timeoutMs);
  return found;
}

// Any descendant with the id, since a dialog may keep its controls in a child.
struct ChildSearch {
  int id;
  HWND found;
};

BOOL CALLBACK FindChildProc(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<ChildSearch*>(param);
  if (GetDlgCtrlID(window) == search->id) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

HWND FindControl(HWND parent, int id) {
  if (HWND direct = GetDlgItem(parent, id)) return direct;
  ChildSearch search{id, nullptr};
  EnumChildWindows(parent, FindChildProc, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

bool ReadText(HWND window, std::wstring* text) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, g_timeoutMs, &length))
    return false;
  std::vector<wchar_t> buffer(length + 2, L'\0');
  DWORD_PTR got = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()),
                           SMTO_ABORTIFHUNG, g_timeoutMs, &got))
    return false;
  text->assign(buffer.data(), got);
  return true;
}

// The round trip behind every action: a marker posted behind it comes back
// only after the program has taken the action from its queue.
bool Sync(HWND target) {
  static LPARAM token = 0x5000;
  const LPARAM mine = ++token;
  g_ackToken = 0;
  if (!PostMessageW(target, kprobe::SyncMessage(), reinterpret_cast<WPARAM>(g_replyWindow), mine))
    return false;
  // A window that closes on the action has handled it too.
  return WaitFor([&] { return g_ackToken == mine || !IsWindow(target); }, g_timeoutMs);
}

// ---- the hook -------------------------------------------------------------

class Hook {
 public:
  bool Install(HWND target) {
    wchar_t path[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dll(path, length);
    dll = dll.substr(0, dll.find_last_of(L"\\/") + 1) + L"kprobehook.dll";
    module_ = LoadLibraryW(dll.c_str());
    if (!module_) return false;
    auto proc = reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(module_, kprobe::kHookProcName)));
    DWORD thread = GetWindowThreadProcessId(target, nullptr);
    if (!proc || !thread) return false;
    hook_ = SetWindowsHookExW(WH_GETMESSAGE, proc, module_, thread);
    return hook_ != nullptr;
  }
  ~Hook() {
    if (hook_) UnhookWindowsHookEx(hook_);
    if (module_) FreeLibrary(module_);
  }

 private:
  HMODULE module_ = nullptr;
  HHOOK hook_ = nullptr;
};

LRESULT CALLBACK ReplyProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COPYDATA) {
    auto* data = reinterpret_cast<COPYDATASTRUCT*>(lParam);
    if (data->dwData == kprobe::kSysMenuReport) {
      g_sysMenuReport.assign(static_cast<const wchar_t*>(data->lpData));
      g_sysMenuArrived = true;
      return TRUE;
    }
    return FALSE;
  }
  if (message == kprobe::AckMessage()) {
    g_ackToken = lParam;
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

bool CreateReplyWindow() {
  WNDCLASSW wc = {};
  wc.lpfnWndProc = ReplyProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"KestrelProbeReply";
  RegisterClassW(&wc);
  g_replyWindow = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  wc.hInstance, nullptr);
  return g_replyWindow != nullptr;
}

bool SwitchDesktop(const std::wstring& name, DWORD timeoutMs) {
  HDESK desktop = nullptr;
  DWORD start = GetTickCount();
  while (!(desktop = OpenDesktopW(name.c_str(), 0, FALSE, GENERIC_ALL))) {
    if (GetTickCount() - start >= timeoutMs) return false;
    Sleep(50);
  }
  return SetThreadDesktop(desktop) != FALSE;
}

// ---- message boxes and dialogs --------------------------------------------

bool IsDialogClass(HWND window) { return ClassName(window) == L"#32770"; }

// A message box holds only its buttons, its icon and its text (0xFFFF under
// Wine 8, 100 in older Wine); dialogs of the programs have controls of their own.
BOOL CALLBACK MessageBoxChildProc(HWND child, LPARAM param) {
  auto* state = reinterpret_cast<int*>(param);
  int id = GetDlgCtrlID(child) & 0xFFFF;
  bool known = (id >= 1 && id <= 11) || id == 0x440 || id == 0x0442 || id == 0xFFFF || id == 100;
  if (!known) {
    *state = -1;
    return FALSE;
  }
  if (id == 0xFFFF || id == 100) *state = 1;
  return TRUE;
}

bool IsMessageBox(HWND window) {
  if (!IsWindowVisible(window) || !IsDialogClass(window)) return false;
  int state = 0;
  EnumChildWindows(window, MessageBoxChildProc, reinterpret_cast<LPARAM>(&state));
  return state == 1;
}

BOOL CALLBACK FindMessageBoxProc(HWND window, LPARAM param) {
  if (IsMessageBox(window)) {
    *reinterpret_cast<HWND*>(param) = window;
    return FALSE;
  }
  return TRUE;
}

HWND FindMessageBox() {
  HWND found = nullptr;
  EnumWindows(FindMessageBoxProc, reinterpret_cast<LPARAM>(&found));
  return found;
}

BOOL CALLBACK FindOpenDialogProc(HWND window, LPARAM param) {
  if (IsWindowVisible(window) && IsDialogClass(window) && FindControl(window, 1148)) {
    *reinterpret_cast<HWND*>(param) = window;
    return FALSE;
  }
  return TRUE;
}

int ButtonId(const std::wstring& name) {
  static const struct {
    const wchar_t* name;
    int id;
  } names[] = {{L"ok", IDOK},   {L"cancel", IDCANCEL}, {L"abort", IDABORT}, {L"retry", IDRETRY},
               {L"ignore", IDIGNORE}, {L"yes", IDYES}, {L"no", IDNO}, {L"none", 0}};
  for (const auto& entry : names)
    if (_wcsicmp(entry.name, name.c_str()) == 0) return entry.id;
  long id = -1;
  return ParseNumber(name, &id) ? static_cast<int>(id) : -1;
}

// Presses a button by posting the click and waits for the window to go.
bool PressAndWaitGone(HWND dialog, int id) {
  HWND button = FindControl(dialog, id);
  if (button)
    PostMessageW(button, BM_CLICK, 0, 0);
  else
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
  return WaitFor([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); }, g_timeoutMs);
}

// ---- processes ------------------------------------------------------------

template <class Fn>
void ForEachProcess(Fn fn) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return;
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL ok = Process32FirstW(snapshot, &entry); ok; ok = Process32NextW(snapshot, &entry))
    fn(entry);
  CloseHandle(snapshot);
}

bool ProcessRunning(const std::wstring& exe) {
  bool running = false;
  ForEachProcess([&](const PROCESSENTRY32W& entry) {
    if (_wcsicmp(entry.szExeFile, exe.c_str()) == 0) running = true;
  });
  return running;
}

// ---- commands -------------------------------------------------------------

struct Command {
  std::vector<std::wstring> args;  // after the command name
  const std::wstring& at(size_t i) const { return args[i]; }
  DWORD TimeoutAt(size_t i) const {
    long value = 0;
    if (args.size() > i && ParseNumber(args[i], &value) && value > 0) return static_cast<DWORD>(value);
    return g_timeoutMs;
  }
};

// The commands that read or act on a window take a hidden one too, once no
// visible window has the title.
HWND NeedTop(const std::wstring& title, DWORD timeoutMs = 0) {
  if (HWND now = FindTop(title, true)) return now;
  return WaitTop(title, timeoutMs ? timeoutMs : g_timeoutMs);
}

// "-" names the window itself.
HWND NeedControl(HWND top, const std::wstring& id) {
  if (id == L"-") return top;
  long value = 0;
  if (!ParseNumber(id, &value)) return nullptr;
  return FindControl(top, static_cast<int>(value));
}

#define NEED_TOP(var, title)                                           \
  HWND var = NeedTop(title);                                           \
  if (!var) return Fail(L"no window titled '" + std::wstring(title) + L"'")
#define NEED_CONTROL(var, top, id)                                     \
  HWND var = NeedControl(top, id);                                     \
  if (!var) return Fail(L"no control " + std::wstring(id))

int CmdWaitWindow(const Command& c) {
  if (!NeedTop(c.at(0), c.TimeoutAt(1))) return Fail(L"timed out waiting for '" + c.at(0) + L"'");
  return 0;
}

int CmdWaitGone(const Command& c) {
  if (!WaitFor([&] { return FindTop(c.at(0)) == nullptr; }, c.TimeoutAt(1)))
    return Fail(L"window '" + c.at(0) + L"' is still there");
  return 0;
}

int CmdText(const Command& c) {
  NEED_TOP(top, c.at(0));
  NEED_CONTROL(control, top, c.at(1));
  std::wstring text;
  if (!ReadText(control, &text)) return Fail(L"cannot read the text");
  Out(text);
  return 0;
}

int CmdWaitText(const Command& c) {
  NEED_TOP(top, c.at(0));
  NEED_CONTROL(control, top, c.at(1));
  std::wstring text;
  bool seen = WaitFor([&] { return ReadText(control, &text) && text.find(c.at(2)) != std::wstring::npos; },
                      c.TimeoutAt(3));
  Out(text);
  return seen ? 0 : Fail(L"text of " + c.at(1) + L" never held '" + c.at(2) + L"'");
}

int CmdSetText(const Command& c) {
  NEED_TOP(top, c.at(0));
  NEED_CONTROL(control, top, c.at(1));
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(c.at(2).c_str()),
                           SMTO_ABORTIFHUNG, g_timeoutMs, &result))
    return Fail(L"cannot set the text");
  return 0;
}

int CmdClick(const Command& c) {
  NEED_TOP(top, c.at(0));
  NEED_CONTROL(button, top, c.at(1));
  Hook hook;
  if (!hook.Install(top)) return Fail(L"cannot hook the program");
  PostMessageW(button, BM_CLICK, 0, 0);
  if (!Sync(top)) return Fail(L"the program did not take the click");
  return 0;
}

int CmdComboItems(const Command& c) {
  NEED_TOP(top, c.at(0));
  NEED_CONTROL(combo, top, c.at(1));
  DWORD_PTR count = 0;
  if (!SendMessageTimeoutW(combo, CB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, g_timeoutMs, &count))
    return Fail(L"cannot count the items");
  std::wstring all;
  for (DWORD_PTR i = 0; i < count; ++i) {
    DWORD_PTR length = 0;
    SendMessageTimeoutW(combo, CB_GETLBTEXTLEN, i, 0, SMTO_ABORTIFHUNG, g_timeoutMs, &length);
    std::vector<wchar_t> item(length + 2, L'\0');
    DWORD_PTR got = 0;
    SendMessageTimeoutW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item.data()), SMTO_ABORTIFHUNG,
                        g_timeoutMs, &got);
    all.append(item.data(), got == static_cast<DWORD_PTR>(CB_ERR) ? 0 : got);
    all += L"\n";
  }
  Out(all);
  return 0;
}

int CmdComboSelect(const Command& c) {
  NEED_TOP(top, c.at(0));
  NEED_CONTROL(combo, top, c.at(1));
  long index = 0;
  if (!ParseNumber(c.at(2), &index)) return Fail(L"bad index " + c.at(2));
  Hook hook;
  if (!hook.Install(top)) return Fail(L"cannot hook the program");
  DWORD_PTR result = 0;
  SendMessageTimeoutW(combo, CB_SETCURSEL, index, 0, SMTO_ABORTIFHUNG, g_timeoutMs, &result);
  if (result != static_cast<DWORD_PTR>(index)) return Fail(L"no item " + c.at(2));
  // CB_SETCURSEL does not notify; tell the dialog as a user's choice would.
  PostMessageW(GetParent(combo), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(combo));
  if (!Sync(top)) return Fail(L"the program did not take the selection");
  return 0;
}

int CmdMsgBox(const Command& c) {
  std::wstring press = c.args.size() > 0 ? c.at(0) : L"ok";
  int id = ButtonId(press);
  if (id < 0) return Fail(L"bad button " + press);
  HWND box = nullptr;
  if (!WaitFor([&] { return (box = FindMessageBox()) != nullptr; }, c.TimeoutAt(1)))
    return Fail(L"no message box appeared");
  std::wstring text;
  HWND label = FindControl(box, 0xFFFF);
  if (!label) label = FindControl(box, 100);
  if (label) ReadText(label, &text);
  Out(WindowTitle(box) + L"\n" + text);
  if (id != 0 && !PressAndWaitGone(box, id)) return Fail(L"the message box stayed open");
  return 0;
}

int CmdOpenFile(const Command& c) {
  std::wstring path = c.at(0);
  if (!path.empty() && path[0] == L'/') {
    path = L"Z:" + path;
    for (auto& ch : path)
      if (ch == L'/') ch = L'\\';
  }
  HWND dialog = nullptr;
  if (!WaitFor([&] {
        dialog = nullptr;
        EnumWindows(FindOpenDialogProc, reinterpret_cast<LPARAM>(&dialog));
        return dialog != nullptr;
      },
      c.TimeoutAt(1)))
    return Fail(L"no Open dialog appeared");
  HWND name = FindControl(dialog, 1148);
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()), SMTO_ABORTIFHUNG,
                           g_timeoutMs, &result))
    return Fail(L"cannot fill the file name");
  if (!PressAndWaitGone(dialog, IDOK)) return Fail(L"the Open dialog stayed open");
  return 0;
}

int CmdSysCommand(const Command& c) {
  NEED_TOP(top, c.at(0));
  long value = 0;
  if (!ParseNumber(c.at(1), &value)) return Fail(L"bad value " + c.at(1));
  Hook hook;
  if (!hook.Install(top)) return Fail(L"cannot hook the program");
  PostMessageW(top, WM_SYSCOMMAND, static_cast<WPARAM>(value), 0);
  if (!Sync(top)) return Fail(L"the program did not take the command");
  return 0;
}

int CmdSysMenu(const Command& c) {
  NEED_TOP(top, c.at(0));
  Hook hook;
  if (!hook.Install(top)) return Fail(L"cannot hook the program");
  g_sysMenuArrived = false;
  PostMessageW(top, kprobe::SysMenuMessage(), reinterpret_cast<WPARAM>(g_replyWindow), 0);
  if (!WaitFor([] { return g_sysMenuArrived; }, g_timeoutMs)) return Fail(L"no menu report came back");
  Out(g_sysMenuReport);
  return 0;
}

int CmdSync(const Command& c) {
  NEED_TOP(top, c.at(0));
  Hook hook;
  if (!hook.Install(top)) return Fail(L"cannot hook the program");
  return Sync(top) ? 0 : Fail(L"no answer");
}

int CmdEnabled(const Command& c) {
  NEED_TOP(top, c.at(0));
  HWND window = top;
  if (c.args.size() > 1) {
    window = NeedControl(top, c.at(1));
    if (!window) return Fail(L"no control " + c.at(1));
  }
  Out(IsWindowEnabled(window) ? L"1" : L"0");
  return 0;
}

// One line per button: "ID EC", E 1 when enabled, C 1 when checked.
int CmdButtons(const Command& c) {
  NEED_TOP(top, c.at(0));
  std::wstring out;
  for (size_t i = 1; i < c.args.size(); ++i) {
    NEED_CONTROL(button, top, c.at(i));
    DWORD_PTR check = 0;
    SendMessageTimeoutW(button, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, g_timeoutMs, &check);
    out += c.at(i) + L" " + (IsWindowEnabled(button) ? L"1" : L"0") +
           (check == BST_CHECKED ? L"1" : L"0") + L"\n";
  }
  Out(out);
  return 0;
}

int CmdClose(const Command& c) {
  NEED_TOP(top, c.at(0));
  PostMessageW(top, WM_CLOSE, 0, 0);
  if (!WaitFor([&] { return !IsWindow(top); }, c.TimeoutAt(1))) return Fail(L"the window stayed open");
  return 0;
}

BOOL CALLBACK ListProc(HWND window, LPARAM param) {
  auto* out = reinterpret_cast<std::wstring*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  wchar_t line[64];
  swprintf(line, 64, L"%ls\t%lu\t%d%d\t", Hex(reinterpret_cast<UINT_PTR>(window)).c_str(),
           static_cast<unsigned long>(pid), IsWindowVisible(window) ? 1 : 0, IsWindowEnabled(window) ? 1 : 0);
  *out += line + ClassName(window) + L"\t" + WindowTitle(window) + L"\n";
  return TRUE;
}

int CmdWindows(const Command&) {
  std::wstring out;
  EnumWindows(ListProc, reinterpret_cast<LPARAM>(&out));
  Out(out);
  return 0;
}

int CmdProcesses(const Command&) {
  std::wstring out;
  ForEachProcess([&](const PROCESSENTRY32W& entry) {
    out += std::to_wstring(entry.th32ProcessID) + L"\t" + entry.szExeFile + L"\n";
  });
  Out(out);
  return 0;
}

int CmdWaitExit(const Command& c) {
  if (!WaitFor([&] { return !ProcessRunning(c.at(0)); }, c.TimeoutAt(1)))
    return Fail(c.at(0) + L" is still running");
  return 0;
}

int CmdKill(const Command& c) {
  ForEachProcess([&](const PROCESSENTRY32W& entry) {
    if (_wcsicmp(entry.szExeFile, c.at(0).c_str()) != 0) return;
    if (HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, entry.th32ProcessID)) {
      TerminateProcess(process, 1);
      CloseHandle(process);
    }
  });
  return 0;
}

// The version resource of a file: the fixed file and product versions, then
// the strings of its first translation, one "Name=value" a line.
int CmdVersion(const Command& c) {
  const std::wstring& file = c.at(0);
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeW(file.c_str(), &ignored);
  if (size == 0) return Fail(L"no version resource in " + file);
  std::vector<BYTE> block(size);
  if (!GetFileVersionInfoW(file.c_str(), 0, size, block.data())) return Fail(L"cannot read " + file);
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) ||
      length < sizeof *fixed)
    return Fail(L"no fixed version information");
  wchar_t line[128];
  swprintf(line, 128, L"FileVersion#=%u.%u.%u.%u\nProductVersion#=%u.%u.%u.%u\n",
           HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
           HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS),
           HIWORD(fixed->dwProductVersionMS), LOWORD(fixed->dwProductVersionMS),
           HIWORD(fixed->dwProductVersionLS), LOWORD(fixed->dwProductVersionLS));
  std::wstring out = line;
  struct Translation {
    WORD language, codePage;
  }* translation = nullptr;
  if (!VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation",
                      reinterpret_cast<void**>(&translation), &length) ||
      length < sizeof *translation)
    return Fail(L"no translation table");
  wchar_t prefix[64];
  swprintf(prefix, 64, L"\\StringFileInfo\\%04x%04x\\", translation->language,
           translation->codePage);
  for (const wchar_t* name : {L"CompanyName", L"FileDescription", L"FileVersion", L"InternalName",
                              L"LegalCopyright", L"OriginalFilename", L"ProductName",
                              L"ProductVersion"}) {
    wchar_t* value = nullptr;
    if (VerQueryValueW(block.data(), (std::wstring(prefix) + name).c_str(),
                       reinterpret_cast<void**>(&value), &length) &&
        value != nullptr)
      out += std::wstring(name) + L"=" + value + L"\n";
  }
  Out(out);
  return 0;
}

struct CommandSetup {
  const wchar_t* name;
  size_t minArgs;
  int (*run)(const Command&);
  const wchar_t* help;
};

const CommandSetup kCommands[] = {
    {L"wait-window", 1, CmdWaitWindow, L"TITLE [MS]          wait until a visible window has the title"},
    {L"wait-gone", 1, CmdWaitGone, L"TITLE [MS]            wait until no visible window has the title"},
    {L"text", 2, CmdText, L"TITLE ID                   print a control's text (ID - : the window's own)"},
    {L"wait-text", 3, CmdWaitText, L"TITLE ID PART [MS]    wait until the text holds PART; print it"},
    {L"set-text", 3, CmdSetText, L"TITLE ID TEXT          set a control's text"},
    {L"click", 2, CmdClick, L"TITLE ID                  press a button and wait until it was handled"},
    {L"combo-items", 2, CmdComboItems, L"TITLE ID            print the items of a combo box, one a line"},
    {L"combo-select", 3, CmdComboSelect, L"TITLE ID INDEX    choose an item as the user would"},
    {L"msgbox", 0, CmdMsgBox, L"[BUTTON|none] [MS]       wait for a message box, print caption and text, press BUTTON (ok)"},
    {L"open-file", 1, CmdOpenFile, L"PATH [MS]             fill the Open dialog's file name (Linux paths as Z:) and press OK"},
    {L"syscommand", 2, CmdSysCommand, L"TITLE VALUE          post a system command and wait until handled"},
    {L"sysmenu", 1, CmdSysMenu, L"TITLE                   print the system menu: 'SEP' or 'ID<TAB>text' a line"},
    {L"sync", 1, CmdSync, L"TITLE                      wait until the program has handled all posted input"},
    {L"enabled", 1, CmdEnabled, L"TITLE [ID]              print 1 if the window (control) is enabled, else 0"},
    {L"buttons", 2, CmdButtons, L"TITLE ID...            print 'ID EC' a line: E enabled, C checked (1/0)"},
    {L"close", 1, CmdClose, L"TITLE [MS]                post WM_CLOSE and wait for the window to go"},
    {L"windows", 0, CmdWindows, L"                        list top-level windows: hwnd pid visible+enabled class title"},
    {L"processes", 0, CmdProcesses, L"                      list processes: pid exe"},
    {L"wait-exit", 1, CmdWaitExit, L"EXE [MS]              wait until no process has the file name"},
    {L"version", 1, CmdVersion, L"FILE                     print a file's version resource: 'Name=value' a line"},
    {L"kill", 1, CmdKill, L"EXE                         terminate every process with the file name"},
};

// serve: the commands arrive on stdin, one after another, in this one process
// (where Wine is slow a start costs seconds). A request is its words, each
// ended by 1Fh, then 1Eh; the answer is the command's output, 1Eh, its exit
// code and a line feed. Ends at the end of stdin.
int Serve() {
  HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
  for (;;) {
    std::vector<std::string> words(1);
    char byte = 0;
    DWORD got = 0;
    while (ReadFile(in, &byte, 1, &got, nullptr) && got == 1 && byte != '\x1e') {
      if (byte == '\x1f')
        words.emplace_back();
      else
        words.back() += byte;
    }
    if (got != 1) return 0;
    words.pop_back();  // after the last 1Fh
    int rc = 2;
    if (!words.empty()) {
      std::vector<std::wstring> wide;
      for (const std::string& word : words) {
        int size = MultiByteToWideChar(CP_UTF8, 0, word.data(), static_cast<int>(word.size()), nullptr, 0);
        std::wstring text(size, L'\0');
        MultiByteToWideChar(CP_UTF8, 0, word.data(), static_cast<int>(word.size()), &text[0], size);
        wide.push_back(text);
      }
      for (const auto& candidate : kCommands) {
        if (wide[0] != candidate.name || wide.size() - 1 < candidate.minArgs) continue;
        Command command;
        command.args.assign(wide.begin() + 1, wide.end());
        rc = candidate.run(command);
        break;
      }
    }
    Out(L"\x1e" + std::to_wstring(rc) + L"\n");
  }
}

int Usage() {
  std::wstring text = L"usage: probe.exe [-d DESKTOP] [-t TIMEOUT_MS] COMMAND [ARGS] | serve\n";
  for (const auto& setup : kCommands) text += L"  " + std::wstring(setup.name) + L" " + setup.help + L"\n";
  WriteHandle(STD_ERROR_HANDLE, ToUtf8(text));
  return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::wstring desktop;
  wchar_t env[256];
  if (GetEnvironmentVariableW(L"KPROBE_DESKTOP", env, 256) > 0) desktop = env;
  if (GetEnvironmentVariableW(L"KPROBE_TIMEOUT", env, 256) > 0) g_timeoutMs = wcstoul(env, nullptr, 10);
  int i = 1;
  for (; i + 1 < argc && argv[i][0] == L'-'; i += 2) {
    if (wcscmp(argv[i], L"-d") == 0)
      desktop = argv[i + 1];
    else if (wcscmp(argv[i], L"-t") == 0)
      g_timeoutMs = wcstoul(argv[i + 1], nullptr, 10);
    else
      return Usage();
  }
  if (i >= argc) return Usage();
  const bool serve = wcscmp(argv[i], L"serve") == 0 && i + 1 == argc;
  const CommandSetup* setup = nullptr;
  for (const auto& candidate : kCommands)
    if (wcscmp(candidate.name, argv[i]) == 0) setup = &candidate;
  if (!setup && !serve) return Usage();
  Command command;
  for (int k = i + 1; k < argc; ++k) command.args.push_back(argv[k]);
  if (setup && command.args.size() < setup->minArgs) return Usage();

  // Windows of a program started on a named desktop are seen only from it.
  if (!desktop.empty() && !SwitchDesktop(desktop, g_timeoutMs))
    return Fail(L"desktop '" + desktop + L"' did not appear");
  if (!CreateReplyWindow()) return Fail(L"cannot create the reply window");
  return serve ? Serve() : setup->run(command);
}
