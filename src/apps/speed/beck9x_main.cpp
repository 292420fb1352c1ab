// BECK9X: the speed control utility over the ASPI manager (WNASPI32.DLL).
#include <windows.h>
// after <windows.h>
#include <commctrl.h>

#include "apps/program_table.h"
#include "apps/speed/speed_program.h"
#include "transport/aspi/aspi_discovery.h"
#include "transport/aspi/aspi_drive_access.h"
#include "transport/aspi/aspi_transport.h"
#include "ui/speed_window.h"
#include "ui/speed_window_texts.h"
#include "win32/program_start.h"
#include "win32/win32_aspi_port.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  using namespace kestrel;
  win32::StartProgram();
  const ProgramRow& row = kBeck9xProgram;

  win32::Win32AspiPort aspiPort;
  AspiTransport transport(aspiPort);
  // Not examined: a manager that is missing or finds no adapter shows itself
  // as "No ATAPI I/F found." in the drive discovery.
  transport.InitDriveAccess();

  DriveContext context(transport, *row.drive);
  AspiDiscovery discovery(context, transport);
  AspiDriveAccess access(transport);

  SpeedWindow window(instance, {row.shell, row.mainTemplateId, row.progressTemplateId,
                                IDC_SPEED_DRIVE_LIST, SpeedWindowControlTexts()});
  SpeedProgram program(context, window, discovery, access);
  window.Run(program);

  transport.ReleaseDriveAccess();
  return 0;
}
