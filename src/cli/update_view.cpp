#include "cli/update_view.h"

#include "firmware/update_procedure.h"

namespace kestrel::cli {

namespace {

// A part and its trailer go to the drive.
constexpr uint32_t kTransferBytes = 0x20000 + 0x1010;

}  // namespace

void CliFirmwareView::HoldSession(const std::string&) {
  flashing_ = true;
  Progress().Begin("writing the firmware", kTransferBytes);
  if (transfer_ != nullptr) transfer_->Count(0x3B, &Progress());
}

void CliFirmwareView::CloseProgress() {
  // The programming wait is over: the read-back follows.
  if (!flashing_) return;
  Progress().Begin("verifying", kVerifyByteCount);
  if (transfer_ != nullptr) transfer_->Count(0x3C, &Progress());
}

void CliFirmwareView::ReleaseSession() {
  flashing_ = false;
  if (transfer_ != nullptr) transfer_->Count(0, nullptr);
  Progress().Close();
}

bool CliFirmwareView::ConfirmUpdate(const std::string& oldFirmware,
                                    const std::string& newFirmware) {
  prompter_.GetTerminal().Err() << "From: " << oldFirmware << "\nTo:   " << newFirmware << "\n";
  const FirmwareAge age = drive_ && file_ ? CompareFirmware(drive_, file_) : FirmwareAge::Newer;
  if (age == FirmwareAge::Same && !choices_.allowReinstall) {
    ageRefusal_ = device_ + " has this firmware already (" + RevisionAndDate(drive_) +
                  "); nothing was written (pass --allow-reinstall to write it again)";
    return false;
  }
  if (age == FirmwareAge::Older && !choices_.allowOlder) {
    ageRefusal_ = "the file's firmware (" + RevisionAndDate(file_) + ") is older than that of " +
                  device_ + " (" + RevisionAndDate(drive_) +
                  "); nothing was written (pass --allow-older to downgrade)";
    return false;
  }
  if (choices_.dryRun) {
    wouldWrite_ = true;
    return false;
  }
  const char* what = age == FirmwareAge::Older  ? "Downgrade: write this older firmware to "
                     : age == FirmwareAge::Same ? "Reinstall: write this same firmware again to "
                                                : "Write this firmware to ";
  const bool yes =
      prompter_.Confirm(what + device_ + "? Do not switch the machine off until it is verified.");
  if (yes) {
    guard_.emplace();
    inhibitor_.emplace();
  }
  return yes;
}

}  // namespace kestrel::cli
