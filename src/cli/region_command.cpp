// kestrel region | region set: the region window's report and change.
#include "cli/cli_view.h"
#include "cli/commands.h"
#include "cli/device_check.h"
#include "cli/host_drive_access.h"
#include "drive/program_profile.h"
#include "region/region_decoding.h"
#include "region/region_lines.h"
#include "region/region_operations.h"

namespace kestrel::cli {
namespace {

constexpr int kMaxDiscQuestions = 10;

// RegionView of the tool: the log is kept for the text; the readiness wait's
// "insert a disc" box is asked at a terminal only.
class CliRegionView final : public CliView<RegionView> {
 public:
  using CliView::CliView;
  void ShowRegionControls(const RegionControls&) override {}
  void SetLogText(const std::string& log, bool) override { log_ = log; }
  bool AskOkCancel(const std::string& text, const std::string&, BoxIcon) override {
    Terminal& terminal = prompter_.GetTerminal();
    terminal.Err() << "kestrel: " << Said(text) << "\n";
    discWanted_ = true;
    if (!terminal.Interactive() || ++questions_ > kMaxDiscQuestions) return false;
    terminal.Err() << "Insert a disc and press Enter to try again, or type n to cancel: "
                   << std::flush;
    const std::optional<std::string> answer = terminal.ReadLine();
    return answer && *answer != "n" && *answer != "N";
  }

  const std::string& Log() const { return log_; }
  bool DiscWanted() const { return discWanted_; }

 private:
  std::string log_;
  bool discWanted_ = false;
  int questions_ = 0;
};

const char* TypeName(uint8_t typeCode) {
  switch (typeCode) {
    case 0:
      return "none";
    case 1:
      return "set";
    case 2:
      return "last-change";
    case 3:
      return "permanent";
  }
  return "unknown";
}

// The report's result.
void DescribeRegion(Session& session, const RegionReport& report) {
  nlohmann::json& j = session.result;
  if (!report.rpc) {
    j["rpc"] = nullptr;
    return;
  }
  const RpcStateFields& rpc = *report.rpc;
  const DriveRegion region = DecodeRegionMask(rpc.regionMask);
  j["rpc"] = {{"state", TypeName(rpc.typeCode)},
              {"region", region.kind == DriveRegion::Kind::Region ? nlohmann::json(region.region)
                                                                  : nlohmann::json()},
              {"mask", rpc.regionMask},
              {"changesLeft", rpc.userChanges},
              {"vendorResets", rpc.vendorResets},
              {"permanent", rpc.Permanent()},
              {"rpc2", rpc.Rpc2()}};
  nlohmann::json disc = nlohmann::json::array();
  // An unprotected disc plays in every region.
  const DiscRegions::Protection protection =
      report.disc ? report.disc->protection : DiscRegions::Protection::Unknown;
  for (int r = 0; r < kRegionCount; ++r) {
    if (protection == DiscRegions::Protection::None ||
        (protection == DiscRegions::Protection::Protected && report.disc->allowed[r])) {
      disc.push_back(r + 1);
    }
  }
  j["discRegions"] = disc;
}

struct RegionRun {
  RegionRun(Session& session, const std::string& device)
      : context(session.host.Transport(), kMere2kProfile),
        view(session.prompter),
        access(session.host),
        operations(context, view, list, {access, session.host.Timer(), kMere2kRegionTraits}) {
    session.result["device"] = device;
    list.Add(DriveEntry{device, AspiAddress{}});
  }
  static constexpr int kEntry = 0;  // the device, the list's only entry
  DriveContext context;
  DriveList list;
  CliRegionView view;
  HostDriveAccess access;
  RegionOperations operations;
};

// What the region window shows beside its log, and what a drive's owner
// wants to know before a change: the changes left (the window's label), the
// resets only the maker can make, and whether the next change is the last.
std::string RegionStateText(const RpcStateFields& rpc, Language language) {
  std::string text = ToolText(CountLabelText(rpc, language)).text;
  text += "Vendor resets left: " + std::to_string(rpc.vendorResets) + ".\n";
  if (rpc.Permanent()) {
    text += "The drive's region is permanent: it can never be changed again.\n";
  } else if (rpc.userChanges == 1) {
    text += "The next change is the last one: it makes the region permanent.\n";
  }
  return text;
}

}  // namespace

int ShowRegion(Session& session, const std::string& device) {
  RegionRun run(session, device);
  const RegionReport report = run.operations.ReportRegion(RegionRun::kEntry);
  session.text = ToolText(run.view.Log()).text;
  if (report.rpc) session.text += RegionStateText(*report.rpc, run.context.language);
  DescribeRegion(session, report);
  if (!run.access.OpenError().empty()) return session.Fail(kExitUsage, run.access.OpenError());
  if (!report.rpc) {
    return session.Fail(kExitRefused, "the drive did not report its region state");
  }
  return kExitOk;
}

namespace {

// The region the drive reports, or 0 when it has none (or gave no state).
int ReportedRegion(const RegionReport& report) {
  if (!report.rpc) return 0;
  const DriveRegion region = DecodeRegionMask(report.rpc->regionMask);
  return region.kind == DriveRegion::Kind::Region ? region.region : 0;
}

// The question before a change; the last one, after which the region is
// permanent, says so first.
std::string ChangeQuestion(const std::string& named, int region, const RpcStateFields& rpc) {
  const std::string n = std::to_string(region);
  if (rpc.userChanges <= 1) {
    return "This is the last change of " + named + ": region " + n +
           " becomes permanent and can never be changed again. Set region " + n + "?";
  }
  return "Set the region of " + named + " to " + n + "? The drive allows " +
         std::to_string(rpc.userChanges) +
         " more changes, this one included; the last one is permanent.";
}

}  // namespace

int SetRegion(Session& session, const std::string& device, int region, bool permanent) {
  session.result["requested"] = region;
  if (region < 1 || region > kRegionCount) {
    return session.Fail(kExitUsage, "the region is a number from 1 to 6");
  }
  if (const int busy = session.Reserve(device)) return busy;
  DriveIdentity identity;
  if (const int refused = CheckDevice(session, device, DeviceNeed::MakerDvd, identity)) {
    return refused;
  }
  const std::string named = NamedDevice(device, identity);
  RegionRun run(session, device);
  const RegionReport report = run.operations.ReportRegion(RegionRun::kEntry);
  session.text = ToolText(run.view.Log()).text;
  DescribeRegion(session, report);
  if (!run.access.OpenError().empty()) return session.Fail(kExitUsage, run.access.OpenError());
  if (!report.rpc) {
    return session.Fail(kExitRefused, "the drive did not report its region state");
  }
  const RpcStateFields rpc = *report.rpc;
  const std::string n = std::to_string(region);
  // Setting the region the drive has would spend a change for nothing.
  if (ReportedRegion(report) == region) {
    session.result["changed"] = false;
    session.text += "The region of " + named + " is already " + n + "; nothing was changed.\n";
    return kExitOk;
  }
  if (rpc.Permanent()) {
    return session.Fail(kExitRefused, "the region of " + named +
                                          " is permanent and cannot be changed; nothing was sent");
  }
  if (rpc.userChanges <= 1 && !permanent) {
    return session.Fail(kExitRefused, "this is the last change of " + named + ": region " + n +
                                          " would become permanent; nothing was sent (pass "
                                          "--permanent to make it)");
  }
  if (!session.prompter.Confirm(ChangeQuestion(named, region, rpc))) {
    if (session.prompter.RefusedWithoutTerminal()) return session.Fail(kExitUsage, kNeedsYes);
    return session.Fail(kExitRefused, "nothing was changed");
  }
  const RegionChange change = run.operations.ChangeRegion({RegionRun::kEntry, region});
  const ChangeOutcome outcome = change.outcome;
  session.text = ToolText(run.view.Log()).text;
  // The change ends with a report: what the drive has now decides, not the
  // status of SEND KEY, which may have failed or timed out after the drive
  // took the region.
  DescribeRegion(session, change.report);
  const int now = ReportedRegion(change.report);
  session.result["changed"] = now == region;
  if (now == region) {
    if (outcome != ChangeOutcome::Changed) {
      session.text += "The drive reports region " + n + " now: the change took effect.\n";
    }
    session.text += RegionStateText(*change.report.rpc, run.context.language);
    return kExitOk;
  }
  const std::string refusal = session.host.Refusal();
  if (!refusal.empty()) return session.Fail(kExitUsage, refusal);
  if (!run.access.OpenError().empty()) return session.Fail(kExitUsage, run.access.OpenError());
  if (run.view.DiscWanted() && outcome == ChangeOutcome::Cancelled) {
    return session.Fail(kExitRefused, "insert a disc: the drive needs one to change its region");
  }
  if (!change.report.rpc) {
    return session.Fail(kExitRefused, "the drive did not report its region state after the "
                                      "change; see kestrel region " + device);
  }
  return session.Fail(kExitRefused, "the region was not changed; the drive has " +
                                        (now ? "region " + std::to_string(now) : "no region") +
                                        " now");
}

}  // namespace kestrel::cli
