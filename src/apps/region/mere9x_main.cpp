// MERE9X: region setting over the ASPI manager (WNASPI32.DLL).
#include <windows.h>

#include "apps/aspi_kit.h"
#include "apps/region/region_program.h"
#include "win32/program_start.h"
#include "win32/win32_aspi_port.h"
#include "win32/win32_timer_port.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  using namespace kestrel;
  win32::StartProgram();
  win32::Win32AspiPort port;
  AspiTransport transport(port);
  win32::Win32TimerPort timerPort;
  // Without a maker drive discovery tells the user and closes the window.
  AspiKit kit(transport, timerPort, kMere9xProgram);
  RunRegionProgram(instance, kMere9xProgram, kit, kMere9xRegionTraits, ICC_STANDARD_CLASSES);
  return 0;
}
