// kestrel region | region set: the region window's report and change.
#include "cli/cli_view.h"
#include "cli/commands.h"
#include "cli/device_check.h"
#include "cli/host_drive_access.h"
#include "drive/program_profile.h"
#include "region/region_decoding.h"
#include "region/region_operations.h"

namespace kestrel::cli {
namespace {

constexpr int kMaxDiscQuestions = 10;

// RegionView of the tool: the region to set is the one checked button; the
// readiness wait's "insert a disc" box is asked at a terminal only.
class CliRegionView final : public CliView<RegionView> {
 public:
  using CliView::CliView;
  void ShowRegionControls(const RegionControls& controls) override { controls_ = controls; }
  bool RegionButtonChecked(int region) const override { return region == checked_; }
  void SetLogText(const std::string& log, bool) override { log_ = log; }
  bool AskOkCancel(const std::string& text, const std::string& caption, BoxIcon) override {
    Terminal& terminal = prompter_.GetTerminal();
    terminal.Err() << caption << ": " << PlainText(text) << "\n";
    discWanted_ = true;
    if (!terminal.Interactive() || ++questions_ > kMaxDiscQuestions) return false;
    terminal.Err() << "Insert a disc and press Enter to try again, or type n to cancel: "
                   << std::flush;
    const std::optional<std::string> answer = terminal.ReadLine();
    return answer && *answer != "n" && *answer != "N";
  }

  void Check(int region) { checked_ = region; }
  const RegionControls& Controls() const { return controls_; }
  const std::string& Log() const { return log_; }
  bool DiscWanted() const { return discWanted_; }

 private:
  RegionControls controls_;
  int checked_ = 0;
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

// The report's result from what the operation left behind.
void DescribeRegion(Session& session, const RegionSession& state, const RegionControls& controls) {
  nlohmann::json& j = session.result;
  if (!state.rpcStateValid) {
    j["rpc"] = nullptr;
    return;
  }
  const RpcStateFields rpc = DecodeRpcState(state.rpcStateReply);
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
  for (int r = 0; r < kRegionCount; ++r) {
    if (controls.discBoxes[static_cast<size_t>(r)].checked) disc.push_back(r + 1);
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
    list.Clear();
    list.Add(DriveEntry{device, AspiAddress{}});
    view.AddListItem(device);
    view.SelectListItem(0);
  }
  DriveContext context;
  DriveList list;
  CliRegionView view;
  HostDriveAccess access;
  RegionOperations operations;
};

}  // namespace

int ShowRegion(Session& session, const std::string& device) {
  RegionRun run(session, device);
  run.operations.ReportRegion();
  session.text = PlainText(run.view.Log());
  DescribeRegion(session, run.operations.Session(), run.view.Controls());
  if (!run.access.OpenError().empty()) return session.Fail(kExitUsage, run.access.OpenError());
  if (!run.operations.Session().rpcStateValid) {
    return session.Fail(kExitRefused, "the drive did not report its region state");
  }
  return kExitOk;
}

namespace {

// The region the drive reports, or 0 when it has none (or gave no state).
int ReportedRegion(const RegionSession& state) {
  if (!state.rpcStateValid) return 0;
  const DriveRegion region = DecodeRegionMask(DecodeRpcState(state.rpcStateReply).regionMask);
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
  if (const int refused = CheckDevice(session, device, DeviceNeed::OpticalDrive, identity)) {
    return refused;
  }
  const std::string named = NamedDevice(device, identity);
  RegionRun run(session, device);
  run.operations.ReportRegion();
  const RegionSession& state = run.operations.Session();
  session.text = PlainText(run.view.Log());
  DescribeRegion(session, state, run.view.Controls());
  if (!run.access.OpenError().empty()) return session.Fail(kExitUsage, run.access.OpenError());
  if (!state.rpcStateValid) {
    return session.Fail(kExitRefused, "the drive did not report its region state");
  }
  const RpcStateFields rpc = DecodeRpcState(state.rpcStateReply);
  const std::string n = std::to_string(region);
  // Setting the region the drive has would spend a change for nothing.
  if (ReportedRegion(state) == region) {
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
  run.view.Check(region);
  const ChangeOutcome outcome = run.operations.ChangeRegion();
  session.text = PlainText(run.view.Log());
  // The change ends with a report: what the drive has now decides, not the
  // status of SEND KEY, which may have failed or timed out after the drive
  // took the region.
  DescribeRegion(session, run.operations.Session(), run.view.Controls());
  const int now = ReportedRegion(run.operations.Session());
  session.result["changed"] = now == region;
  if (now == region) {
    if (outcome != ChangeOutcome::Changed) {
      session.text += "The drive reports region " + n + " now: the change took effect.\n";
    }
    return kExitOk;
  }
  const std::string refusal = session.host.Refusal();
  if (!refusal.empty()) return session.Fail(kExitUsage, refusal);
  if (!run.access.OpenError().empty()) return session.Fail(kExitUsage, run.access.OpenError());
  if (run.view.DiscWanted() && outcome == ChangeOutcome::Cancelled) {
    return session.Fail(kExitRefused, "insert a disc: the drive needs one to change its region");
  }
  if (!run.operations.Session().rpcStateValid) {
    return session.Fail(kExitRefused, "the drive did not report its region state after the "
                                      "change; see kestrel region " + device);
  }
  return session.Fail(kExitRefused, "the region was not changed; the drive has " +
                                        (now ? "region " + std::to_string(now) : "no region") +
                                        " now");
}

}  // namespace kestrel::cli
