// BECK9X: the speed control utility over the ASPI manager (WNASPI32.DLL).
#include <windows.h>

#include "apps/aspi_kit.h"
#include "apps/speed/speed_program.h"
#include "win32/program_start.h"
#include "win32/win32_aspi_port.h"
#include "win32/win32_timer_port.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  using namespace kestrel;
  win32::StartProgram();
  win32::Win32AspiPort port;
  AspiTransport transport(port);
  win32::Win32TimerPort timerPort;
  // Not examined: a manager that is missing or finds no adapter shows itself
  // as "No ATAPI I/F found." in the drive discovery.
  AspiKit kit(transport, timerPort, kBeck9xProgram);
  RunSpeedProgram(instance, kBeck9xProgram, kit);
  return 0;
}
