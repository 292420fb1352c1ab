// ReportRegion: the drive's RPC state and the disc's regions, into the log and
// the region controls.
#include <string>

#include "drive/region_commands.h"
#include "drive/unit_attention.h"
#include "region/region_lines.h"
#include "region/region_messages.h"
#include "region/region_operations.h"

namespace kestrel {
namespace {

constexpr int kRpcStateResends = 1;

}  // namespace

RegionReport RegionOperations::ReportRegion(int index) {
  const Language language = context_.language;
  DriveAccess& access = strategies_.access;
  RegionReport report;

  // A list item that stands for no drive ("No I/F adapter") counts as none.
  const DriveEntry* entry = list_.At(index);
  if (entry == nullptr) {
    log_.appendToLog(Pick(*strategies_.traits.noSelection, language));
    return report;
  }

  session_.lastReportedIndex = index;
  session_.rpcStateValid = false;
  RegionControls& controls = session_.controls;
  controls.Reset();
  if (access.MakeCurrent(*entry) != 0) {
    view_.ShowRegionControls(controls);
    log_.appendToLog(Pick(region_text::kDeviceOpenFailed, language));
    report.outcome = ReportOutcome::OpenFailed;
    return report;
  }
  report.outcome = ReportOutcome::Reported;

  std::string message;
  // A drive raises a unit attention after its region has changed; the state
  // asked for is there all the same.
  SenseCodes sense;
  const int32_t rpcResult = SendPastUnitAttentions(
      context_, kRpcStateResends, [&] { return ReadRpcState(context_, session_.rpcStateReply); },
      [&] { return access.FetchSense(context_); }, sense);
  if (rpcResult == 0) {
    session_.rpcStateValid = true;
    const RpcStateFields rpc = DecodeRpcState(session_.rpcStateReply);
    report.rpc = rpc;
    controls.countLabel = CountLabelText(rpc, language);
    const DriveRegion region = DecodeRegionMask(rpc.regionMask);
    controls.ShowDriveRegion(region);
    message = DriveRegionLine(region, language);
  } else {
    // An earlier drive's count must not stand beside this drive.
    controls.countLabel = std::string();
    message = Pick(region_text::kGetDriveRegionFailed, language);
  }
  // The drive part reaches the log before the disc is read.
  log_.appendToLog(message);

  RegionReply disc{};
  if (ReadDiscRegionInfo(context_, disc) == 0) {
    const DiscRegions regions = DecodeDiscRegionInfo(disc);
    report.disc = regions;
    controls.ShowDiscRegions(regions);
    message = DiscRegionLine(regions, language);
  } else {
    access.FetchSense(context_);
    message = Pick(region_text::kGetDiscRegionFailed, language);
  }
  access.Release();
  view_.ShowRegionControls(controls);
  log_.appendToLog(message);
  return report;
}

}  // namespace kestrel
