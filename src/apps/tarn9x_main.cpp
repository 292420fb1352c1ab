// TARN9X: firmware update over the ASPI manager (WNASPI32.DLL).
#include <windows.h>
// after <windows.h>
#include <commctrl.h>

#include "apps/firmware_program.h"
#include "drive/aspi_discovery.h"
#include "drive/aspi_transport.h"
#include "drive/ms_timer.h"
#include "drive/program_profile.h"
#include "firmware/programming_wait.h"
#include "shell/shell_catalog.h"
#include "ui/firmware_update_window.h"
#include "ui/resource_ids.h"
#include "win32/program_start.h"
#include "win32/win32_aspi_port.h"
#include "win32/win32_timer_port.h"

namespace {

// The multimedia timer periods tried, from 1 ms up to this.
constexpr uint32_t kMaxTimerPeriodMs = 7;

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  using namespace kestrel;
  win32::StartProgram();

  win32::Win32AspiPort aspiPort;
  AspiTransport transport(aspiPort);
  // A failure here shows itself in drive discovery.
  transport.InitDriveAccess();

  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);

  DriveContext context(transport, ProfileFor(Utility::Tarn9x));
  AspiDiscovery discovery(context, transport);
  AspiDriveSelector selector(transport);
  win32::Win32TimerPort timerPort;
  MsTimer timer(timerPort, kMaxTimerPeriodMs);
  PolledProgrammingWait wait(transport);
  NoAfterUpdateAction afterUpdate;
  StdioFileSystem files;

  FirmwareUpdateWindow window(instance,
                              {ShellTraitsFor(ShellProgram::Tarn9x), IDD_CONFIRM_UPDATE_WARNING});
  FirmwareProgram program(context, window, discovery, {selector, wait, afterUpdate, timer}, files,
                          kTarn9xFirmwareTraits);
  window.Run(program);

  transport.ReleaseDriveAccess();
  return 0;
}
