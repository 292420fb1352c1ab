// FELL32: shows the platform and starts the utilities that fit it.
#include <windows.h>

#include "apps/program_table.h"
#include "launcher/utility_launcher.h"
#include "ui/launcher_window.h"
#include "win32/program_start.h"
#include "win32/win32_process_host.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  using namespace kestrel;
  win32::StartProgram();

  // Read once, before the window; every launch uses this copy.
  const PlatformInfo platform = win32::ReadPlatformInfo();

  win32::Win32ProcessHost host;
  LauncherWindow window(instance, kFell32Program.shell);
  UtilityLauncher launcher(platform, host, window);
  window.Run(launcher);
  return 0;
}
