// MERE2K: region setting through SCSI pass-through on the drive letters.
#include <windows.h>
// after <windows.h>
#include <commctrl.h>

#include "apps/program_table.h"
#include "region/region_build.h"
#include "region/region_operations.h"
#include "transport/passthrough/letter_discovery.h"
#include "transport/passthrough/letter_drive_access.h"
#include "transport/passthrough/passthrough_transport.h"
#include "ui/region_window.h"
#include "ui/region_window_texts.h"
#include "win32/program_start.h"
#include "win32/win32_passthrough_port.h"
#include "win32/win32_timer_port.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  using namespace kestrel;
  win32::StartProgram();
  const ProgramRow& row = kMere2kProgram;

  win32::Win32PassThroughPort passThroughPort;
  PassThroughTransport transport(passThroughPort);
  // A failure here shows itself in drive discovery.
  transport.InitDriveAccess();

  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);

  DriveContext context(transport, *row.drive);
  // The letters D to Z under the progress window (template 130); with none
  // listed the window stays open with an empty list.
  LetterDiscovery discovery(context, transport);
  // Every report and change opens the drive of its entry and closes it.
  LetterDriveAccess access(transport);
  win32::Win32TimerPort timerPort;
  DriveList list;

  RegionWindow window(instance, {row.shell, row.mainTemplateId, row.progressTemplateId,
                                 IDC_REGION_DRIVE_LIST, RegionWindowControlTexts()});
  RegionOperations operations(context, window, list, {access, timerPort, kMere2kRegionTraits});
  window.Run(operations, discovery);

  transport.ReleaseDriveAccess();
  return 0;
}
