// The first step of every program's entry point.
#pragma once

namespace kestrel::win32 {

// Takes the current directory out of the DLL search path and registers the
// common controls that the dialog templates use.
void StartProgram();

}  // namespace kestrel::win32
