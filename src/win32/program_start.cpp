#include "win32/program_start.h"

#include <windows.h>
// after <windows.h>
#include <commctrl.h>

namespace kestrel::win32 {

void StartProgram() {
  // The programs run with administrator rights and open files the user
  // picked: WNASPI32.DLL must come from the program's folder or the system,
  // never from a folder a document came from. SetDllDirectoryW came with
  // XP SP1, so it is looked up rather than imported.
  using SetDllDirectoryFunction = decltype(&SetDllDirectoryW);
  if (HMODULE kernel = GetModuleHandleW(L"kernel32.dll")) {
    if (auto* setDllDirectory = reinterpret_cast<SetDllDirectoryFunction>(
            reinterpret_cast<void (*)()>(GetProcAddress(kernel, "SetDllDirectoryW"))))
      setDllDirectory(L"");
  }
  // With the common controls 6 manifest, a dialog's controls exist only
  // after this call.
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
}

}  // namespace kestrel::win32
