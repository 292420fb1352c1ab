// The program table: everything that differs between the programs of the
// suite, one row per program. An entry point takes its row and builds its
// transport, window and operations from it; a new program adds its row here
// (and, where it differs from every other, its shell traits, drive profile
// and discovery rule in their layers).
//
// Each row is its own object, so a program links only what its row names:
// the launcher's row names no drive code.
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
