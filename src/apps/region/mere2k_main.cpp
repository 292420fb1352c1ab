// MERE2K: region setting through SCSI pass-through on the drive letters.
#include <windows.h>

#include "apps/letter_kit.h"
#include "apps/region/region_program.h"
#include "win32/program_start.h"
#include "win32/win32_passthrough_port.h"
#include "win32/win32_timer_port.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  using namespace kestrel;
  win32::StartProgram();
  win32::Win32PassThroughPort port;
  PassThroughTransport transport(port);
  win32::Win32TimerPort timerPort;
  // The letters D to Z under the progress window (template 130); with none
  // listed the window stays open with an empty list. Every report and change
  // opens the drive of its entry and closes it.
  LetterKit kit(transport, timerPort, kMere2kProgram);
  RunRegionProgram(instance, kMere2kProgram, kit, kMere2kRegionTraits,
                   ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES);
  return 0;
}
