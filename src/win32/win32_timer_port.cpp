#include "win32/win32_timer_port.h"

#include "win32/mingw_compat.h"

namespace kestrel::win32 {

bool Win32TimerPort::BeginPeriod(uint32_t periodMs) {
  return ::timeBeginPeriod(periodMs) == TIMERR_NOERROR;
}

void Win32TimerPort::EndPeriod(uint32_t periodMs) { ::timeEndPeriod(periodMs); }

uint32_t Win32TimerPort::TimeMs() { return ::timeGetTime(); }

void Win32TimerPort::SleepMs(uint32_t pauseMs) { ::Sleep(pauseMs); }

}  // namespace kestrel::win32
