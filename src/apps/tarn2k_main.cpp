// TARN2K: firmware update through SCSI pass-through on the drive letters.
#include <windows.h>
// after <windows.h>
#include <commctrl.h>

#include "apps/firmware_program.h"
#include "drive/letter_discovery.h"
#include "drive/ms_timer.h"
#include "drive/passthrough_transport.h"
#include "drive/program_profile.h"
#include "firmware/programming_wait.h"
#include "shell/shell_catalog.h"
#include "ui/firmware_update_window.h"
#include "ui/resource_ids.h"
#include "win32/program_start.h"
#include "win32/win32_passthrough_port.h"
#include "win32/win32_timer_port.h"

namespace {

// The pass-through build tries periods without a bound of its own.
constexpr uint32_t kMaxTimerPeriodMs = kestrel::MsTimer::kLongestPeriodMs;

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  using namespace kestrel;
  win32::StartProgram();

  win32::Win32PassThroughPort passThroughPort;
  PassThroughTransport transport(passThroughPort);
  // A failure here shows itself in drive discovery.
  transport.InitDriveAccess();

  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);

  DriveContext context(transport, ProfileFor(Utility::Tarn2k));
  LetterDiscovery discovery(context, transport);
  LetterDriveSelector selector(transport);
  win32::Win32TimerPort timerPort;
  MsTimer timer(timerPort, kMaxTimerPeriodMs);
  ContinuousProgrammingWait wait;
  CloseAndRediscover afterUpdate(transport, discovery);
  StdioFileSystem files;

  FirmwareUpdateWindow window(instance, {ShellTraitsFor(ShellProgram::Tarn2k), IDD_CONFIRM_UPDATE});
  FirmwareProgram program(context, window, discovery, {selector, wait, afterUpdate, timer}, files,
                          kTarn2kFirmwareTraits);
  window.Run(program);

  transport.ReleaseDriveAccess();
  return 0;
}
