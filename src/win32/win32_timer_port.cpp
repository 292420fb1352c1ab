#include "win32/win32_timer_port.h"

#include "win32/trusted_library.h"

namespace kestrel::win32 {
namespace {

template <typename Function>
Function* BindExport(HMODULE module, const char* name) {
  // Through a plain function pointer type, which any function pointer converts to and back.
  return reinterpret_cast<Function*>(reinterpret_cast<void (*)()>(::GetProcAddress(module, name)));
}

}  // namespace

bool Win32TimerPort::Bind() {
  if (bound_) return getTime_ != nullptr;
  bound_ = true;
  // Kept loaded for the life of the process.
  HMODULE module = LoadSystemLibrary(L"WINMM.DLL");
  if (module == nullptr) return false;
  beginPeriod_ = BindExport<PeriodFunction>(module, "timeBeginPeriod");
  endPeriod_ = BindExport<PeriodFunction>(module, "timeEndPeriod");
  getTime_ = BindExport<TimeFunction>(module, "timeGetTime");
  if (beginPeriod_ == nullptr || endPeriod_ == nullptr || getTime_ == nullptr) {
    beginPeriod_ = endPeriod_ = nullptr;
    getTime_ = nullptr;
  }
  return getTime_ != nullptr;
}

bool Win32TimerPort::BeginPeriod(uint32_t periodMs) {
  return Bind() && beginPeriod_(periodMs) == TIMERR_NOERROR;
}

void Win32TimerPort::EndPeriod(uint32_t periodMs) {
  if (Bind()) endPeriod_(periodMs);
}

// Without the multimedia timer the system's tick count serves, coarser.
uint32_t Win32TimerPort::TimeMs() { return Bind() ? getTime_() : ::GetTickCount(); }

void Win32TimerPort::SleepMs(uint32_t pauseMs) { ::Sleep(pauseMs); }

}  // namespace kestrel::win32
