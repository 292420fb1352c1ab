// The region utility's window over the kit of its transport: the entry
// point names the common control classes its templates use.
#pragma once
#include <windows.h>
// after <windows.h>
#include <commctrl.h>

#include "apps/program_table.h"
#include "drive/drive_entry.h"
#include "region/region_build.h"
#include "region/region_operations.h"
#include "ui/region_window.h"
#include "ui/region_window_texts.h"

namespace kestrel {

// The program's window over its kit (aspi_kit.h, letter_kit.h) until it closes.
template <class Kit>
void RunRegionProgram(HINSTANCE instance, const ProgramRow& row, Kit& kit,
                      const RegionBuildTraits& traits, DWORD controlClasses) {
  INITCOMMONCONTROLSEX controls{sizeof controls, controlClasses};
  InitCommonControlsEx(&controls);
  DriveList list;
  RegionWindow window(instance, {row.shell, row.mainTemplateId, row.progressTemplateId,
                                 IDC_REGION_DRIVE_LIST, RegionWindowControlTexts()});
  RegionOperations operations(kit.context, window, list, {kit.access, kit.timerPort, traits});
  window.Run(operations, kit.discovery);
}

}  // namespace kestrel
