// FirmwareView of the tool: the file comes from the command line, the log
// is kept for the result, and the confirmation window is a question on stderr
// after the From and To lines.
#pragma once
#include <optional>
#include <string>

#include "cli/cli_view.h"
#include "cli/firmware_age.h"
#include "cli/flash_guard.h"
#include "cli/shutdown_inhibitor.h"
#include "firmware/firmware_view.h"

namespace kestrel::cli {

// What the user allowed beyond a newer firmware, and whether to stop at the
// question (--dry-run: every check, nothing written).
struct UpdateChoices {
  bool dryRun = false;
  bool allowReinstall = false;
  bool allowOlder = false;
};

class CliFirmwareView final : public CliView<FirmwareView> {
 public:
  CliFirmwareView(Prompter& prompter, std::string path, std::string device)
      : CliView(prompter), path_(std::move(path)), device_(std::move(device)) {}
  // The question compares the drive's identification with the file's (both
  // filled in by the time it is asked).
  void SetChoices(const UpdateChoices& choices, const uint8_t* driveIdentification,
                  const uint8_t* fileIdentification) {
    choices_ = choices, drive_ = driveIdentification, file_ = fileIdentification;
  }

  void SetStatusText(const std::string& log, bool) override { log_ = log; }
  void SetFileNameField(const std::string&) override {}
  void SetInfoField(const std::string& text) override { info_ = text; }
  std::optional<std::string> ChooseFile(const OpenFileRequest&) override { return path_; }
  void ShowFileError(const std::string& path, int cause) override;
  bool ConfirmUpdate(const std::string& oldFirmware, const std::string& newFirmware) override;
  // A command-line run holds nothing of the session.
  void HoldSession(const std::string&) override {}
  void ReleaseSession() override {}

  const std::string& Log() const { return log_; }
  const std::optional<int>& FileError() const { return fileError_; }
  const std::string& From() const { return from_; }
  const std::string& To() const { return to_; }
  bool Asked() const { return asked_; }
  // Why the question was not put (the file is not newer), or empty.
  const std::string& AgeRefusal() const { return ageRefusal_; }
  // A dry run got as far as the question.
  bool WouldWrite() const { return wouldWrite_; }
  // The yes starts the flash: signals are held off, and shutdown and sleep
  // inhibited where logind runs, from then until EndFlash.
  void EndFlash() {
    inhibitor_.reset();
    guard_.reset();
  }

 private:
  std::string path_, device_, log_, info_, from_, to_;
  std::optional<int> fileError_;
  bool asked_ = false;
  UpdateChoices choices_;
  const uint8_t* drive_ = nullptr;
  const uint8_t* file_ = nullptr;
  std::string ageRefusal_;
  bool wouldWrite_ = false;
  std::optional<FlashGuard> guard_;
  std::optional<ShutdownInhibitor> inhibitor_;
};

}  // namespace kestrel::cli
