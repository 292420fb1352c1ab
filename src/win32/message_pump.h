// The suite's one way of keeping its windows alive while an operation runs:
// painting, timers and posted messages are handled, the user's keys and
// clicks are dropped, so that nothing starts until the operation has ended.
#pragma once
#include <windows.h>

#include <cstdint>

namespace kestrel::win32 {

// Handles every message waiting in this thread's queue, dropping input.
void PumpWithoutInput();

// Waits for the handle to be signalled for at most timeoutMs (INFINITE: no
// limit), pumping as above meanwhile. true when it was signalled.
bool WaitPumping(HANDLE handle, uint32_t timeoutMs);

}  // namespace kestrel::win32
