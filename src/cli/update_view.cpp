#include "cli/update_view.h"

namespace kestrel::cli {

void CliFirmwareView::ShowFileError(const std::string& path, int cause) {
  prompter_.GetTerminal().Err() << "kestrel: cannot open " << path << " (file error " << cause
                                << ")\n";
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
