// TARN9X: firmware update over the ASPI manager (WNASPI32.DLL).
#include <windows.h>

#include "apps/firmware/firmware_program.h"
#include "apps/program_table.h"
#include "drive/ms_timer.h"
#include "firmware/programming_wait.h"
#include "transport/aspi/aspi_discovery.h"
#include "transport/aspi/aspi_drive_access.h"
#include "transport/aspi/aspi_transport.h"
#include "ui/firmware_update_window.h"
#include "ui/firmware_window_texts.h"
#include "win32/program_start.h"
#include "win32/win32_aspi_port.h"
#include "win32/win32_file_system.h"
#include "win32/win32_timer_port.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  using namespace kestrel;
  win32::StartProgram();
  const ProgramRow& row = kTarn9xProgram;

  win32::Win32AspiPort aspiPort;
  AspiTransport transport(aspiPort);
  // A failure here shows itself in drive discovery.
  transport.InitDriveAccess();

  DriveContext context(transport, *row.drive);
  AspiDiscovery discovery(context, transport);
  AspiDriveAccess access(transport);
  win32::Win32TimerPort timerPort;
  MsTimer timer(timerPort, row.maxTimerPeriodMs);
  PolledProgrammingWait wait(transport);
  NoAfterUpdateAction afterUpdate;
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
