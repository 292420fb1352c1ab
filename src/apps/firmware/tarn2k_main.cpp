// TARN2K: firmware update through SCSI pass-through on the drive letters.
#include <windows.h>

#include "apps/firmware/firmware_program.h"
#include "apps/letter_kit.h"
#include "win32/program_start.h"
#include "win32/win32_passthrough_port.h"
#include "win32/win32_timer_port.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  using namespace kestrel;
  win32::StartProgram();
  win32::Win32PassThroughPort port;
  PassThroughTransport transport(port);
  win32::Win32TimerPort timerPort;
  LetterKit kit(transport, timerPort, kTarn2kProgram);
  RunFirmwareProgram(instance, kTarn2kProgram, kit);
  return 0;
}
