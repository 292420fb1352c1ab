// Messages shared by the probe and its hook DLL. Both register the same names,
// so the numbers agree in every process of the desktop.
#pragma once
#include <windows.h>

namespace kprobe {

// Posted by the probe to a window of the program under test, behind an
// action. wParam: the probe's reply window, lParam: a token. The hook answers
// with kAck (same token) once the program's thread takes it from its queue,
// that is after every message posted before it was dispatched.
inline UINT SyncMessage() { return RegisterWindowMessageW(L"KestrelProbe.Sync"); }
inline UINT AckMessage() { return RegisterWindowMessageW(L"KestrelProbe.Ack"); }

// Posted like kSync; the hook reads the system menu of the window it was
// posted to and sends the items to the reply window as WM_COPYDATA.
inline UINT SysMenuMessage() { return RegisterWindowMessageW(L"KestrelProbe.SysMenu"); }

// WM_COPYDATA tag of a system-menu report: UTF-16 text, one item a line,
// "SEP" for a separator, else "XXXX<TAB>text" with the command id in hex.
constexpr ULONG_PTR kSysMenuReport = 0x4B50534DUL;  // 'KPSM'

constexpr const char* kHookProcName = "KProbeGetMsgProc";

}  // namespace kprobe
