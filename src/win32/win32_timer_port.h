// The multimedia timer and Sleep behind MsTimer and the programs' pauses.
#pragma once
#include "shell/clock.h"
#include "win32/mingw_compat.h"

namespace kestrel::win32 {

// WINMM.DLL is loaded from the system folder when first needed, not imported:
// an import would be looked for beside the program first, and these programs
// run with administrator rights.
class Win32TimerPort : public TimerPort {
 public:
  bool BeginPeriod(uint32_t periodMs) override;
  void EndPeriod(uint32_t periodMs) override;
  uint32_t TimeMs() override;
  void SleepMs(uint32_t pauseMs) override;

 private:
  using PeriodFunction = MMRESULT WINAPI(UINT);
  using TimeFunction = DWORD WINAPI();
  bool Bind();

  bool bound_ = false;
  PeriodFunction* beginPeriod_ = nullptr;
  PeriodFunction* endPeriod_ = nullptr;
  TimeFunction* getTime_ = nullptr;
};

}  // namespace kestrel::win32
