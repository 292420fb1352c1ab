// The program table: everything that differs between the programs of the
// suite, one row per program. An entry point takes its row and builds its
// transport, window and operations from it. The list of the programs itself
// is src/apps/programs.cmake; the unit tests check these rows against it
// (ProgramTable in tests/unit/program_table_test.cpp).
//
// Each row is its own object, so a program links only what its row names:
// the launcher's row names no drive code.
//
// Adding a two-build drive program, NEW9X over ASPI and NEW2K over
// pass-through, with its own window (the files each step touches):
//  1. src/apps/programs.cmake: its family line (FOLDER new, its WINDOW
//     sources, the LIBRARIES of its layer) and its two rows (folder,
//     template, transport, help topic).                                  1
//  2. src/apps/new/: new_program.h, RunNewProgram(instance, row, kit): the
//     window and the operations over a kit (copy speed/speed_program.h),
//     and new9x_main.cpp and new2k_main.cpp, the entry points: the Win32
//     port and its transport, AspiKit or LetterKit (apps/aspi_kit.h,
//     apps/letter_kit.h: discovery, drive access, programming wait,
//     after-update action) and RunNewProgram (copy speed/beck9x_main.cpp
//     and beck2k_main.cpp).                                               3
//  3. This file: the rows kNew9xProgram and kNew2kProgram.                 1
//  4. Their shell rows (name, menu items, About, help) in
//     shell/shell_catalog.h and .cpp, and their drive profiles (sense
//     length, identification, model table, discovery rule) in
//     drive/program_profile.h and .cpp.                                   4
//  5. Its window: ui/new_window.h and .cpp on DriveWindow<View> (the
//     main-window base: drive list, progress, boxes, OK/Cancel questions,
//     the busy rule), the sources named in step 1.                        2
//  6. Its two templates ui/new9x.rc and ui/new2k.rc, and their control ids
//     in ui/resource_ids.h (the e2e cases read them by name).             3
//  7. Its help pages: help/en and help/ja, the topic page of step 1 and its
//     entries in the contents (.hhc) and the index (.hhk).                 6
//                                                              in all:   20
// Nothing else names the programs: the build targets and their size flags,
// the Program values, scripts/run, scripts/dist and the e2e cases' program
// list follow the rows of step 1. Besides these: the operations in their
// layer (src/new/, added to the top CMakeLists.txt) with their tests; its
// e2e cases and a row in tests/e2e/cases/15_help_and_version.sh; a
// discovery rule of its own, if none of drive/discovery.h fits; and, for
// the launcher to start it, a row of launcher/utility_launcher.cpp with a
// button in ui/fell32.rc.
#pragma once
#include <cstdint>

#include "drive/ms_timer.h"
#include "drive/program_profile.h"
#include "firmware/firmware_build.h"
#include "shell/program.h"
#include "shell/shell_catalog.h"
#include "ui/resource_ids.h"

namespace kestrel {

struct ProgramRow {
  Program program;
  const ShellTraits& shell;             // name, menu items, About, help
  const ProgramProfile* drive;          // profile and discovery rule; null: no drive
  const FirmwareBuildTraits* firmware;  // firmware utilities only
  int mainTemplateId;                   // the main window
  int progressTemplateId;               // ProgressWindow; 0 when none
  int confirmTemplateId;                // ConfirmUpdateDialog; 0 when none
  uint32_t maxTimerPeriodMs;            // MsTimer's longest period tried; 0: no stopwatch
};

// The ASPI builds try timer periods of 1 to 7 ms; the pass-through builds
// have no bound of their own.
constexpr uint32_t kAspiTimerPeriodMs = 7;
constexpr uint32_t kPassThroughTimerPeriodMs = MsTimer::kLongestPeriodMs;

inline const ProgramRow kTarn9xProgram{Program::Tarn9x,
                                       kTarn9xShell,
                                       &kTarn9xProfile,
                                       &kTarn9xFirmwareTraits,
                                       IDD_MAIN_WINDOW,
                                       IDD_PROGRESS,
                                       IDD_CONFIRM_UPDATE_WARNING,
                                       kAspiTimerPeriodMs};
inline const ProgramRow kTarn2kProgram{
    Program::Tarn2k, kTarn2kShell, &kTarn2kProfile,    &kTarn2kFirmwareTraits,
    IDD_MAIN_WINDOW, IDD_PROGRESS, IDD_CONFIRM_UPDATE, kPassThroughTimerPeriodMs};
inline const ProgramRow kMere9xProgram{
    Program::Mere9x,   kMere9xShell, &kMere9xProfile, nullptr, IDD_MAIN_WINDOW, 0, 0,
    kAspiTimerPeriodMs};
// MERE2K's discovery progress window is its template 130.
inline const ProgramRow kMere2kProgram{Program::Mere2k,
                                       kMere2kShell,
                                       &kMere2kProfile,
                                       nullptr,
                                       IDD_MAIN_WINDOW,
                                       IDD_PROGRESS_MERE2K,
                                       0,
                                       kPassThroughTimerPeriodMs};
inline const ProgramRow kBeck9xProgram{
    Program::Beck9x,   kBeck9xShell, &kBeck9xProfile, nullptr, IDD_MAIN_WINDOW, 0, 0,
    kAspiTimerPeriodMs};
inline const ProgramRow kBeck2kProgram{Program::Beck2k,
                                       kBeck2kShell,
                                       &kBeck2kProfile,
                                       nullptr,
                                       IDD_MAIN_WINDOW,
                                       IDD_PROGRESS,
                                       0,
                                       kPassThroughTimerPeriodMs};
inline const ProgramRow kFell32Program{
    Program::Fell32, kFell32Shell, nullptr, nullptr, IDD_MAIN_WINDOW, 0, 0, 0};

}  // namespace kestrel
