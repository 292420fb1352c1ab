// TARN2K: firmware update through SCSI pass-through on the drive letters.
#include <windows.h>

#include "apps/firmware/firmware_program.h"
#include "apps/program_table.h"
#include "drive/ms_timer.h"
#include "firmware/programming_wait.h"
#include "transport/passthrough/letter_discovery.h"
#include "transport/passthrough/letter_drive_access.h"
#include "transport/passthrough/passthrough_transport.h"
#include "ui/firmware_update_window.h"
#include "ui/firmware_window_texts.h"
#include "win32/program_start.h"
#include "win32/win32_file_system.h"
#include "win32/win32_passthrough_port.h"
#include "win32/win32_timer_port.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  using namespace kestrel;
  win32::StartProgram();
  const ProgramRow& row = kTarn2kProgram;

  win32::Win32PassThroughPort passThroughPort;
  PassThroughTransport transport(passThroughPort);
  // A failure here shows itself in drive discovery.
  transport.InitDriveAccess();

  DriveContext context(transport, *row.drive);
  LetterDiscovery discovery(context, transport);
  LetterDriveAccess access(transport);
  win32::Win32TimerPort timerPort;
  MsTimer timer(timerPort, row.maxTimerPeriodMs);
  ContinuousProgrammingWait wait;
  CloseAndRediscover afterUpdate(transport, discovery);
  win32::Win32FileSystem files;

  FirmwareUpdateWindow window(instance,
                              {row.shell, row.mainTemplateId, row.progressTemplateId,
                               IDC_DRIVE_LIST, FirmwareWindowControlTexts()},
                              row.confirmTemplateId);
  FirmwareProgram program(context, window, discovery, {access, wait, afterUpdate, timer}, files,
                          *row.firmware);
  window.Run(program);

  transport.ReleaseDriveAccess();
  return 0;
}
