#include "cli/firmware_view.h"

#include <cerrno>
#include <cstring>

namespace kestrel::cli {

void CliFirmwareView::ShowFileError(const std::string& path, int cause) {
  fileError_ = cause;
  prompter_.GetTerminal().Err() << "kestrel: cannot open " << path << " (file error " << cause
                                << ")\n";
}

bool CliFirmwareView::ConfirmUpdate(const std::string& oldFirmware,
                                    const std::string& newFirmware) {
  asked_ = true;
  from_ = oldFirmware;
  to_ = newFirmware;
  prompter_.GetTerminal().Err() << "From: " << oldFirmware << "\nTo:   " << newFirmware << "\n";
  return prompter_.Confirm("Write this firmware to " + device_ +
                           "? Do not switch the machine off until it is verified.");
}

}  // namespace kestrel::cli
