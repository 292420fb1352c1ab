// BECK2K: the speed control utility through SCSI pass-through on the drive
// letters. Each operation opens the selected drive and closes it at its end.
#include <windows.h>

#include "apps/letter_kit.h"
#include "apps/speed/speed_program.h"
#include "win32/program_start.h"
#include "win32/win32_passthrough_port.h"
#include "win32/win32_timer_port.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  using namespace kestrel;
  win32::StartProgram();
  win32::Win32PassThroughPort port;
  PassThroughTransport transport(port);
  win32::Win32TimerPort timerPort;
  LetterKit kit(transport, timerPort, kBeck2kProgram);
  RunSpeedProgram(instance, kBeck2kProgram, kit);
  return 0;
}
