// FirmwareView of the tool: the log's text is taken from StatusLog, and the
// confirmation window is a question on stderr after the From and To lines,
// put only for a newer firmware unless the user allowed otherwise. From the
// yes on, progress shows writing, the programming wait and verifying.
#pragma once
#include <optional>
#include <string>

#include "cli/cli_view.h"
#include "cli/firmware_age.h"
#include "cli/flash_guard.h"
#include "cli/shutdown_inhibitor.h"
#include "cli/transfer_progress.h"
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
  CliFirmwareView(Prompter& prompter, std::string device)
      : CliView(prompter), device_(std::move(device)) {}
  // The question compares the drive's identification with the file's (both
  // filled in by the time it is asked).
  void SetChoices(const UpdateChoices& choices, const uint8_t* driveIdentification,
                  const uint8_t* fileIdentification) {
    choices_ = choices, drive_ = driveIdentification, file_ = fileIdentification;
  }

  void SetStatusText(const std::string&, bool) override {}
  void SetFileNameField(const std::string&) override {}
  void SetInfoField(const std::string&) override {}
  // Kept for the command's line: the load fails after it.
  void ShowFileError(const std::string&, int) override {}
  bool ConfirmUpdate(const std::string& oldFirmware, const std::string& newFirmware) override;
  // The session is held from the start of the transfer to the end of the
  // read-back: the phases of the update's progress.
  void HoldSession(const std::string&) override;
  void CloseProgress() override;
  void ReleaseSession() override;
  // The transport whose buffer commands the progress counts.
  void SetTransfer(TransferProgress* transfer) { transfer_ = transfer; }

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
  std::string device_;
  UpdateChoices choices_;
  const uint8_t* drive_ = nullptr;
  const uint8_t* file_ = nullptr;
  std::string ageRefusal_;
  bool wouldWrite_ = false;
  TransferProgress* transfer_ = nullptr;
  bool flashing_ = false;
  std::optional<FlashGuard> guard_;
  std::optional<ShutdownInhibitor> inhibitor_;
};

}  // namespace kestrel::cli
