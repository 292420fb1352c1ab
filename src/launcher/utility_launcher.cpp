#include "launcher/utility_launcher.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "launcher/launcher_texts.h"

namespace kestrel {
namespace {

// FormatMessage's language 0400h is the user's default language; 0 is the
// system's search order.
const UtilityRow kRows[] = {
    {Utility::Update, 3, "TARN9X.EXE", "TARN2K.EXE", 0x400, 128},
    {Utility::Region, 4, "MERE9X.EXE", "MERE2K.EXE", 0, 256},
    {Utility::Speed, 7, "BECK9X.EXE", "BECK2K.EXE", 0, 256},
};

}  // namespace

const UtilityRow& UtilityRowFor(Utility utility) { return kRows[static_cast<size_t>(utility)]; }

const UtilityRow* UtilityRowForButton(int buttonId) {
  for (const UtilityRow& row : kRows) {
    if (row.buttonId == buttonId) return &row;
  }
  return nullptr;
}

UtilityLauncher::~UtilityLauncher() {
  for (ProcessToken process : runningUtilities_) host_.Release(process);
}

void UtilityLauncher::OnWindowSetUp(Language language) {
  language_ = language;
  view_.SetInformationText(OsInformation(platform_, language_));
}

void UtilityLauncher::Forget(ProcessToken process) {
  auto found = std::find(runningUtilities_.begin(), runningUtilities_.end(), process);
  if (found == runningUtilities_.end()) return;
  runningUtilities_.erase(found);
  host_.Release(process);
}

void UtilityLauncher::LaunchUtility(Utility utility) {
  const UtilityRow& row = UtilityRowFor(utility);
  UtilitySlot& slot = slots_[Index(utility)];

  if (slot.running) {
    // A failed test counts as still running.
    if (host_.Test(slot.process) != ProcessState::Ended) {
      view_.ShowMessageBox(Pick(launcher_texts::kAlreadyRunning, language_),
                           Pick(launcher_texts::kCaution, language_));
      return;
    }
    slot.running = false;
    Forget(slot.process);
    slot.process = 0;
  }

  const char* file = nullptr;
  uint32_t creationFlags = 0;
  if (platform_.platformId == kPlatformWin9x) {
    file = row.file9x;
    creationFlags = kCreateDefaultErrorMode;
  } else if (platform_.platformId == kPlatformNt) {
    file = row.fileNt;
  } else {
    char text[256];
    std::snprintf(text, sizeof text, Pick(launcher_texts::kUnsupportedPlatform, language_),
                  static_cast<int>(platform_.platformId), static_cast<int>(platform_.majorVersion),
                  static_cast<int>(platform_.minorVersion),
                  static_cast<int>(platform_.buildNumber & 0xFFFF));
    view_.ShowMessageBox(text, launcher_texts::kProgramName);
    return;
  }

  // The file found in the current directory is the one started, by its full
  // path: a bare name would be looked up by Windows' own search order (the
  // launcher's folder, the system folders, PATH) and could start another
  // program of the same name.
  std::string path;
  uint32_t error = 0;
  if (!host_.FindInCurrentDirectory(file, path, error)) {
    ReportStartError(row, error);
    return;
  }
  ProcessToken process = 0;
  if (!host_.Start(path, creationFlags, process, error)) {
    ReportStartError(row, error);
    return;
  }
  slot.running = true;
  slot.process = process;
  runningUtilities_.push_back(process);
}

void UtilityLauncher::ReportStartError(const UtilityRow& row, uint32_t error) {
  std::string text;
  uint32_t lookupError = 0;
  if (!host_.SystemMessage(error, row.messageLanguageId, row.messageMaxChars, text, lookupError)) {
    char line[64];
    std::snprintf(line, sizeof line, launcher_texts::kFormatMessageFailed,
                  static_cast<int>(lookupError));
    text = line;
  }
  view_.ShowMessageBox(text, launcher_texts::kProgramName);
}

void UtilityLauncher::Close() {
  const bool anyFlag = std::any_of(std::begin(slots_), std::end(slots_),
                                   [](const UtilitySlot& slot) { return slot.running; });
  const bool anyRunning = std::any_of(
      runningUtilities_.begin(), runningUtilities_.end(),
      [this](ProcessToken process) { return host_.Test(process) != ProcessState::Ended; });
  if (anyFlag && anyRunning) {
    view_.ShowMessageBox(Pick(launcher_texts::kTerminateFirst, language_),
                         Pick(launcher_texts::kCaution, language_));
    WaitForRunningUtilities();
  }
  for (UtilitySlot& slot : slots_) slot = UtilitySlot{};
  for (ProcessToken process : runningUtilities_) host_.Release(process);
  runningUtilities_.clear();
}

void UtilityLauncher::WaitForRunningUtilities() {
  for (;;) {
    // A process that can no longer be tested cannot be waited for either;
    // it leaves the list rather than hold the launcher forever.
    auto ended = [this](ProcessToken process) {
      if (host_.Test(process) == ProcessState::Running) return false;
      host_.Release(process);
      return true;
    };
    runningUtilities_.erase(
        std::remove_if(runningUtilities_.begin(), runningUtilities_.end(), ended),
        runningUtilities_.end());
    if (runningUtilities_.empty()) return;
    host_.WaitForEndOrMessages(runningUtilities_);
    view_.Pump();
  }
}

}  // namespace kestrel
