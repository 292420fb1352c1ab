// MERE9X: region setting over the ASPI manager (WNASPI32.DLL).
#include <windows.h>
// after <windows.h>
#include <commctrl.h>

#include "apps/program_table.h"
#include "region/region_build.h"
#include "region/region_operations.h"
#include "transport/aspi/aspi_discovery.h"
#include "transport/aspi/aspi_drive_access.h"
#include "transport/aspi/aspi_transport.h"
#include "ui/region_window.h"
#include "ui/region_window_texts.h"
#include "win32/program_start.h"
#include "win32/win32_aspi_port.h"
#include "win32/win32_timer_port.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  using namespace kestrel;
  win32::StartProgram();
  const ProgramRow& row = kMere9xProgram;

  win32::Win32AspiPort aspiPort;
  AspiTransport transport(aspiPort);
  // A failure here shows itself in drive discovery.
  transport.InitDriveAccess();

  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);

  DriveContext context(transport, *row.drive);
  AspiDiscovery discovery(context, transport);
  AspiDriveAccess access(transport);
  win32::Win32TimerPort timerPort;
  DriveList list;

  // Without a maker drive discovery tells the user and closes the window.
  RegionWindow window(instance, {row.shell, row.mainTemplateId, row.progressTemplateId,
                                 IDC_REGION_DRIVE_LIST, RegionWindowControlTexts()});
  RegionOperations operations(context, window, list, {access, timerPort, kMere9xRegionTraits});
  window.Run(operations, discovery);

  transport.ReleaseDriveAccess();
  return 0;
}
