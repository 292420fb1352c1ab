// The region setting utility's operations over RegionWindow: the report
// (Get Region, a selection change, the end of set-up, around every change)
// and the change (Set Region), with the state the window keeps between them.
//
//   AspiDriveAccess access(transport);           // MERE2K: LetterDriveAccess
//   RegionOperations region(context, view, list, {access, timerPort, kMere9xRegionTraits});
//   region.SetUpWindow(language, discovery);     // discovery and the first report
//   region.ReportRegion();                       // Get Region, selection change
//   region.ChangeRegion();                       // Set Region
#pragma once
#include <cstdint>
#include <string>

#include "drive/discovery.h"
#include "drive/drive_access.h"
#include "drive/drive_context.h"
#include "drive/drive_entry.h"
#include "drive/region_commands.h"
#include "region/region_build.h"
#include "region/region_controls.h"
#include "region/region_log.h"
#include "region/region_view.h"
#include "shell/clock.h"

namespace kestrel {

struct RegionStrategies {
  DriveAccess& access;
  TimerPort& timer;  // the readiness wait's pauses and limit
  const RegionBuildTraits& traits;
};

// What the window keeps between operations.
struct RegionSession {
  int lastReportedIndex = -1;
  // The last REPORT KEY reply received, and whether the last report for
  // lastReportedIndex received one: a change never decides from stale bytes.
  RegionReply rpcStateReply{};
  bool rpcStateValid = false;
  RegionControls controls;
};

// How a change attempt ended; the window does not need it, tests do.
enum class ChangeOutcome {
  NoSelection,
  OtherDriveReported,  // the selection had changed: its report ends the attempt
  OpenFailed,
  Permanent,
  AlreadySet,  // the checked region is the drive's own: no change is spent
  Cancelled,
  NotReady,  // the readiness wait ended without a ready drive
  RegionNotSelected,
  Refused,  // SEND KEY failed
  Changed,
};

class RegionOperations {
 public:
  RegionOperations(DriveContext& context, RegionView& view, DriveList& list,
                   const RegionStrategies& strategies)
      : context_(context), view_(view), list_(list), strategies_(strategies), log_(view) {}

  // The end of window set-up: takes the language, fills the drive list and
  // reports on the selected drive (MERE2K only when the list has entries).
  void SetUpWindow(Language language, DriveDiscovery& discovery);
  void ReportRegion();
  ChangeOutcome ChangeRegion();

  const RegionSession& Session() const { return session_; }
  const RegionLog& Log() const { return log_; }

 private:
  // The selected list entry and its index; null when nothing usable is selected.
  const DriveEntry* SelectedEntry(int& index) const;
  // Steps of a change up to its message; the second with the drive open.
  ChangeOutcome AttemptChange(std::string& message);
  ChangeOutcome ChangeOpenDrive(std::string& message);
  int CheckedRegion() const;  // 1-6, or 0 when no region button is checked

  DriveContext& context_;
  RegionView& view_;
  DriveList& list_;
  RegionStrategies strategies_;
  RegionLog log_;
  RegionSession session_;
};

}  // namespace kestrel
