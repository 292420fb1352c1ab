// Loading a library by a full path from the folders it may come from.
#pragma once
#include "win32/mingw_compat.h"

namespace kestrel::win32 {

// NAME from the program's own folder, else from the system folder, else from
// the Windows folder; never from the current directory or the PATH, which a
// document's folder or another user may have put a library of that name in.
// Null when none of them holds it.
HMODULE LoadTrustedLibrary(const wchar_t* name);

// NAME from the system folder only.
HMODULE LoadSystemLibrary(const wchar_t* name);

}  // namespace kestrel::win32
