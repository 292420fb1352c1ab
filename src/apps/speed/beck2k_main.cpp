// BECK2K: the speed control utility through SCSI pass-through on the drive
// letters. Each operation opens the selected drive and closes it at its end.
#include <windows.h>
// after <windows.h>
#include <commctrl.h>

#include "apps/program_table.h"
#include "apps/speed/speed_program.h"
#include "transport/passthrough/letter_discovery.h"
#include "transport/passthrough/letter_drive_access.h"
#include "transport/passthrough/passthrough_transport.h"
#include "ui/speed_window.h"
#include "ui/speed_window_texts.h"
#include "win32/program_start.h"
#include "win32/win32_passthrough_port.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  using namespace kestrel;
  win32::StartProgram();
  const ProgramRow& row = kBeck2kProgram;

  win32::Win32PassThroughPort passThroughPort;
  PassThroughTransport transport(passThroughPort);
  // A failure here shows itself in drive discovery.
  transport.InitDriveAccess();

  DriveContext context(transport, *row.drive);
  LetterDiscovery discovery(context, transport);
  LetterDriveAccess access(transport);

  SpeedWindow window(instance, {row.shell, row.mainTemplateId, row.progressTemplateId,
                                IDC_SPEED_DRIVE_LIST, SpeedWindowControlTexts()});
  SpeedProgram program(context, window, discovery, access);
  window.Run(program);

  transport.ReleaseDriveAccess();
  return 0;
}
