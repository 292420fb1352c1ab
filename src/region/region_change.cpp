// ChangeRegion: sets the drive's region to the one checked when the user
// pressed Set Region, with SEND KEY. The drive counts and limits the changes;
// the program only skips what the drive's last reported state makes pointless.
#include "drive/region_commands.h"
#include "region/readiness_wait.h"
#include "region/region_lines.h"
#include "region/region_messages.h"
#include "region/region_operations.h"

namespace kestrel {

RegionChange RegionOperations::ChangeRegion(const RegionRequest& request) {
  RegionChange change;
  std::string message;
  change.outcome = AttemptChange(request, change.report, message);
  // That report already shows the other drive's state: the user looks at it
  // and chooses again.
  if (change.outcome == ChangeOutcome::OtherDriveReported) return change;
  log_.appendToLog(message);
  // The window always ends showing the drive's state after the attempt.
  change.report = ReportRegion(request.entryIndex);
  return change;
}

ChangeOutcome RegionOperations::AttemptChange(const RegionRequest& request, RegionReport& report,
                                              std::string& message) {
  const Language language = context_.language;
  const int index = request.entryIndex;
  // A list item that stands for no drive ("No I/F adapter") counts as none.
  const DriveEntry* entry = list_.At(index);
  if (entry == nullptr) {
    message = Pick(*strategies_.traits.noSelection, language);
    return ChangeOutcome::NoSelection;
  }
  // The checked button belongs to the drive reported before, not to this one.
  if (index != session_.lastReportedIndex) {
    report = ReportRegion(index);
    return ChangeOutcome::OtherDriveReported;
  }
  if (strategies_.access.MakeCurrent(*entry) != 0) {
    message = Pick(region_text::kDeviceOpenFailed, language);
    return ChangeOutcome::OpenFailed;
  }
  const ChangeOutcome outcome = ChangeOpenDrive(request.region, message);
  strategies_.access.Release();
  return outcome;
}

ChangeOutcome RegionOperations::ChangeOpenDrive(int region, std::string& message) {
  const Language language = context_.language;
  // Without a reply to the last REPORT KEY nothing is known of the drive's
  // state: the drive decides, after the readiness wait.
  const bool known = session_.rpcStateValid;
  const RpcStateFields rpc = DecodeRpcState(session_.rpcStateReply);
  if (known && rpc.Permanent()) {
    message = Pick(region_text::kAlreadyPermanent, language);
    return ChangeOutcome::Permanent;
  }
  // Setting the region the drive has would spend a change for nothing.
  const DriveRegion current = DecodeRegionMask(rpc.regionMask);
  if (known && current.kind == DriveRegion::Kind::Region && region == current.region) {
    message = AlreadySetLine(current.region, language);
    return ChangeOutcome::AlreadySet;
  }
  // A drive that never had a region takes its first one without a disc.
  if (!(known && rpc.NeverSet())) {
    switch (WaitUntilReady(context_, view_, log_, strategies_.access, strategies_.timer)) {
      case Readiness::Ready:
        break;
      case Readiness::Cancelled:
        message = Pick(region_text::kCanceled, language);
        return ChangeOutcome::Cancelled;
      case Readiness::Failed:
        message = Pick(region_text::kUnknownError, language);
        return ChangeOutcome::NotReady;
    }
  }
  if (region < 1 || region > kRegionCount) {
    message = Pick(region_text::kRegionNotSelected, language);
    return ChangeOutcome::RegionNotSelected;
  }
  if (SetDriveRegion(context_, RegionMask(region)) != 0) {
    strategies_.access.FetchSense(context_);
    message = Pick(region_text::kSetFailed, language);
    return ChangeOutcome::Refused;
  }
  message = Pick(region_text::kSetSucceeded, language);
  return ChangeOutcome::Changed;
}

}  // namespace kestrel
