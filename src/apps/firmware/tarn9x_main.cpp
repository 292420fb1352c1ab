// TARN9X: firmware update over the ASPI manager (WNASPI32.DLL).
#include <windows.h>

#include "apps/aspi_kit.h"
#include "apps/firmware/firmware_program.h"
#include "win32/program_start.h"
#include "win32/win32_aspi_port.h"
#include "win32/win32_timer_port.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  using namespace kestrel;
  win32::StartProgram();
  win32::Win32AspiPort port;
  AspiTransport transport(port);
  win32::Win32TimerPort timerPort;
  AspiKit kit(transport, timerPort, kTarn9xProgram);
  RunFirmwareProgram(instance, kTarn9xProgram, kit);
  return 0;
}
