// LaunchUtility for the three rows of the launcher, `runningUtilities` and
// the close procedure. One object per program, driven by LauncherWindow.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "launcher/launcher_view.h"
#include "launcher/platform_info.h"
#include "launcher/process_host.h"
#include "shell/language.h"

namespace kestrel {

enum class Utility { Update, Region, Speed };
constexpr size_t kUtilityCount = 3;

// One launch button: the files of the two platforms and how the system's
// text of a start failure is asked for.
struct UtilityRow {
  Utility utility;
  int buttonId;
  const char* file9x;
  const char* fileNt;
  uint32_t messageLanguageId;
  uint32_t messageMaxChars;
};

const UtilityRow& UtilityRowFor(Utility utility);
// The row of a launch button, or nullptr for any other control id.
const UtilityRow* UtilityRowForButton(int buttonId);

class UtilityLauncher {
 public:
  UtilityLauncher(const PlatformInfo& platform, ProcessHost& host, LauncherView& view)
      : platform_(platform), host_(host), view_(view) {}
  ~UtilityLauncher();
  UtilityLauncher(const UtilityLauncher&) = delete;
  UtilityLauncher& operator=(const UtilityLauncher&) = delete;

  // The window's set-up: keep the language, show `osInformation`.
  void OnWindowSetUp(Language language);

  void LaunchUtility(Utility utility);

  // The close procedure. Returns when the window may close: at once, or
  // after every started utility has ended.
  void Close();

  bool IsRunning(Utility utility) const { return slots_[Index(utility)].running; }
  const std::vector<ProcessToken>& runningUtilities() const { return runningUtilities_; }

 private:
  struct UtilitySlot {
    bool running = false;
    ProcessToken process = 0;
  };
  static size_t Index(Utility utility) { return static_cast<size_t>(utility); }
  void Forget(ProcessToken process);
  void ReportStartError(const UtilityRow& row, uint32_t error);
  void WaitForRunningUtilities();

  PlatformInfo platform_;
  ProcessHost& host_;
  LauncherView& view_;
  Language language_;
  UtilitySlot slots_[kUtilityCount];
  std::vector<ProcessToken> runningUtilities_;
};

}  // namespace kestrel
