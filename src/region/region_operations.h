// The region setting utility's operations over RegionWindow: the report
// (Get Region, a selection change, the end of set-up, around every change)
// and the change (Set Region), with the state the window keeps between them.
//
//   AspiDriveAccess access(transport);           // MERE2K: LetterDriveAccess
//   RegionOperations region(context, view, list, {access, timerPort, kMere9xRegionTraits});
//   if (region.SetUpWindow(language, discovery)) // discovery
//     region.ReportRegion(selection);            // and the first report
//   region.ReportRegion(selection);              // Get Region, selection change
//   region.ChangeRegion({selection, checked});   // Set Region
//
// The window captures the selection and the checked region button when the
// user acts; the operations never read a control.
#pragma once
#include <cstdint>
#include <optional>
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

// What the user chose when pressing Set Region.
struct RegionRequest {
  int entryIndex = -1;  // the drive list's selection; -1 for none
  int region = 0;       // the checked region button, 1-6; 0 when none is checked
};

enum class ReportOutcome { NoSelection, OpenFailed, Reported };

// What a report read from the drive, beside what it showed.
struct RegionReport {
  ReportOutcome outcome = ReportOutcome::NoSelection;
  std::optional<RpcStateFields> rpc;  // when REPORT KEY answered
  std::optional<DiscRegions> disc;    // when READ DVD STRUCTURE answered
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

struct RegionChange {
  ChangeOutcome outcome = ChangeOutcome::NoSelection;
  // The report that ended the attempt: the drive's state after it (after
  // OtherDriveReported, that of the newly selected drive).
  RegionReport report;
};

class RegionOperations {
 public:
  RegionOperations(DriveContext& context, RegionView& view, DriveList& list,
                   const RegionStrategies& strategies)
      : context_(context), view_(view), list_(list), strategies_(strategies), log_(view) {}

  // The end of window set-up: takes the language and fills the drive list.
  // True when the selected drive is to be reported on next (MERE2K only when
  // the list has entries).
  bool SetUpWindow(Language language, DriveDiscovery& discovery);
  // entryIndex: the drive list's selection; -1 for none.
  RegionReport ReportRegion(int entryIndex);
  RegionChange ChangeRegion(const RegionRequest& request);

  const RegionSession& Session() const { return session_; }
  const RegionLog& Log() const { return log_; }

 private:
  // Steps of a change up to its message; the second with the drive open.
  ChangeOutcome AttemptChange(const RegionRequest& request, RegionReport& report,
                              std::string& message);
  ChangeOutcome ChangeOpenDrive(int region, std::string& message);

  DriveContext& context_;
  RegionView& view_;
  DriveList& list_;
  RegionStrategies strategies_;
  RegionLog log_;
  RegionSession session_;
};

}  // namespace kestrel
