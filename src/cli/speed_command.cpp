// kestrel speed show | set | list, and mode: the speed window's three buttons.
#include <cctype>

#include "cli/cli_view.h"
#include "cli/commands.h"
#include "cli/device_check.h"
#include "cli/host_drive_access.h"
#include "drive/program_profile.h"
#include "drive/speed_commands.h"
#include "speed/speed_choices.h"
#include "speed/speed_operations.h"

namespace kestrel::cli {
namespace {

constexpr uint32_t kKbytesPerX = 176;

// SpeedView of the tool: the log is kept for the text; the question before
// the disc is stopped goes to the prompter.
class CliSpeedView final : public CliView<SpeedView> {
 public:
  using CliView::CliView;
  void appendToLog(const std::string& text) override { log_ += text; }
  bool AskOkCancel(const std::string& text, const std::string&, BoxIcon) override {
    return prompter_.Confirm(named_ + ": " + Said(text) + " Stop the disc and change the mode?");
  }

  void SetNamedDevice(const std::string& named) { named_ = named; }
  const std::string& Log() const { return log_; }

 private:
  std::string named_;  // the device, its vendor and product, in questions
  std::string log_;
};

struct SpeedRun {
  SpeedRun(Session& session, const std::string& device)
      : context(session.host.Transport(), kBeck2kProfile),
        view(session.prompter),
        access(session.host),
        operations(context, view, list, access) {
    session.result["device"] = device;
    list.Add(DriveEntry{device, AspiAddress{}});
  }
  static constexpr int kEntry = 0;  // the device, the list's only entry
  DriveContext context;
  DriveList list;
  CliSpeedView view;
  HostDriveAccess access;
  SpeedOperations operations;
};

int Finish(Session& session, SpeedRun& run, const SpeedResult& result, const char* failure) {
  const ToolLog said = ToolText(run.view.Log());
  session.text = said.text;
  if (result.outcome == SpeedOutcome::Done) return kExitOk;
  if (!run.access.OpenError().empty()) return session.Fail(kExitUsage, run.access.OpenError());
  const std::string refusal = session.host.Refusal();
  if (!refusal.empty()) return session.Fail(kExitUsage, refusal);
  if (session.prompter.RefusedWithoutTerminal()) return session.Fail(kExitUsage, kNeedsYes);
  // The drive's sense, where the operation had it, says more.
  const std::string boxed = run.view.BoxFailure();
  return session.Fail(kExitRefused, !boxed.empty() ? boxed : !said.failure.empty() ? said.failure : failure);
}

// "1408 kbytes/s (8x)".
std::string SpeedName(uint16_t kbytes) {
  return std::to_string(kbytes) + " kbytes/s (" + std::to_string(kbytes / kKbytesPerX) + "x)";
}

}  // namespace

bool ParseReadSpeed(const std::string& text, uint16_t& kbytesPerSecond) {
  std::string word;
  for (char c : text) word += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (word == "max") {
    kbytesPerSecond = kMaximumReadSpeed;
    return true;
  }
  // A bare number is a CD multiple; kbytes/s only with their unit.
  const bool kbytes = !word.empty() && word.back() == 'k';
  if (!word.empty() && (kbytes || word.back() == 'x')) word.pop_back();
  if (word.empty() || word.size() > 5 ||
      word.find_first_not_of("0123456789") != std::string::npos) {
    return false;
  }
  const uint32_t value = static_cast<uint32_t>(std::stoul(word)) * (kbytes ? 1 : kKbytesPerX);
  // 0 and FFFFh are the modes' values, not speeds.
  if (value == 0 || value >= kMaximumReadSpeed) return false;
  kbytesPerSecond = static_cast<uint16_t>(value);
  return true;
}

int ShowSpeed(Session& session, const std::string& device) {
  SpeedRun run(session, device);
  const SpeedResult result = run.operations.ReportSpeed(SpeedRun::kEntry);
  // A report that failed left no page: no speeds.
  const CapabilitiesPage page = result.page.value_or(CapabilitiesPage{});
  const bool reported = result.outcome == SpeedOutcome::Done;
  nlohmann::json& j = session.result;
  j["currentSpeed"] = reported ? nlohmann::json(page.currentReadSpeed) : nlohmann::json();
  j["maximumSpeed"] = reported ? nlohmann::json(page.maximumReadSpeed) : nlohmann::json();
  j["medium"] = page.DvdMedium() ? "dvd" : "cd";
  j["mode"] = result.mode == ReportedMode::Quiet         ? nlohmann::json("quiet")
              : result.mode == ReportedMode::Performance ? nlohmann::json("performance")
                                                         : nlohmann::json();
  return Finish(session, run, result, "the drive did not report its speeds");
}

int SetSpeed(Session& session, const std::string& device, const std::string& speed) {
  uint16_t kbytes = 0;
  if (!ParseReadSpeed(speed, kbytes)) {
    return session.Fail(kExitUsage,
                        "the speed is max, a CD multiple such as 8 or 8x, or kbytes/s such as "
                        "1408k (kestrel speed list DEVICE shows the choices)");
  }
  DriveIdentity identity;
  if (const int refused = CheckDevice(session, device, DeviceNeed::OpticalDrive, identity)) {
    return refused;
  }
  SpeedRun run(session, device);
  session.result["requested"] = kbytes;
  const SpeedResult result = run.operations.ChangeSpeed({SpeedRun::kEntry, kbytes});
  const int status = Finish(session, run, result, "the drive did not change its speed");
  if (status != kExitOk) return status;
  // What the drive chose: it picks a speed it has, at most its maximum.
  SpeedRun check(session, device);
  const SpeedResult report = check.operations.ReportSpeed(SpeedRun::kEntry);
  if (report.outcome != SpeedOutcome::Done || !report.page) {
    session.result["currentSpeed"] = nullptr;
    session.text += "The drive did not report the speed it reads at now.\n";
    return kExitOk;
  }
  const CapabilitiesPage& page = *report.page;
  session.result["currentSpeed"] = page.currentReadSpeed;
  session.result["maximumSpeed"] = page.maximumReadSpeed;
  const bool above = kbytes != kMaximumReadSpeed && kbytes > page.maximumReadSpeed;
  session.result["aboveMaximum"] = above;
  if (above) {
    session.text += std::to_string(kbytes) + " kbytes/s is above the drive's maximum of " +
                    SpeedName(page.maximumReadSpeed) + "; the drive reads at its maximum.\n";
  }
  session.text += "The drive reads at " + SpeedName(page.currentReadSpeed) + " now.\n";
  return kExitOk;
}

int ListSpeeds(Session& session, const std::string& device) {
  SpeedRun run(session, device);
  const SpeedResult result = run.operations.ReportSpeed(SpeedRun::kEntry);
  const int status = Finish(session, run, result, "the drive did not report its speeds");
  const uint16_t maximum = result.page ? result.page->maximumReadSpeed : 0;
  nlohmann::json& j = session.result;
  j["maximumSpeed"] = status == kExitOk ? nlohmann::json(maximum) : nlohmann::json();
  nlohmann::json speeds = nlohmann::json::array();
  std::string text = "Speeds for kestrel speed set " + device + " SPEED:\n";
  text += "  max    the drive's maximum\n";
  speeds.push_back({{"name", "max"}, {"kbytesPerSecond", kMaximumReadSpeed}});
  for (size_t i = 1; i < speed_text::kSpeedChoiceCount; ++i) {
    const uint16_t kbytes = SpeedChoice(static_cast<int>(i));
    const std::string name = std::to_string(kbytes / kKbytesPerX) + "x";
    speeds.push_back({{"name", name}, {"kbytesPerSecond", kbytes}});
    text += "  " + name + std::string(7 - name.size(), ' ') + std::to_string(kbytes) +
            " kbytes/s" + (status == kExitOk && kbytes > maximum ? " (above the maximum)" : "") +
            "\n";
  }
  j["speeds"] = speeds;
  text += "  or any CD multiple (N or Nx), or kbytes/s with their unit (Nk)\n";
  if (status == kExitOk) text += "Maximum speed of " + device + ": " + SpeedName(maximum) + "\n";
  session.text = text;
  return status;
}

int SetMode(Session& session, const std::string& device, const std::string& mode,
            bool untilPowerOff) {
  // The mode list: performance and quiet, each permanent and until power-off.
  int index = -1;
  if (mode == "performance") index = untilPowerOff ? 1 : 0;
  if (mode == "quiet") index = untilPowerOff ? 3 : 2;
  if (index < 0) return session.Fail(kExitUsage, "the mode is quiet or performance");
  if (const int busy = session.Reserve(device)) return busy;
  // START STOP UNIT would stop a disk as well: only the maker's drives.
  DriveIdentity identity;
  if (const int refused = CheckDevice(session, device, DeviceNeed::KestrelDrive, identity)) {
    return refused;
  }
  SpeedRun run(session, device);
  run.view.SetNamedDevice(NamedDevice(device, identity));
  session.result["mode"] = mode;
  session.result["untilPowerOff"] = untilPowerOff;
  const SpeedResult result = run.operations.ChangeDriveMode({SpeedRun::kEntry, index});
  return Finish(session, run, result, "the drive mode was not changed");
}

}  // namespace kestrel::cli
