// What the firmware operations do to FirmwareUpdateWindow; what the user chose
// (the file, the drive) comes with the request.
#pragma once
#include <cstddef>
#include <optional>
#include <string>

#include "drive/drive_list_view.h"

namespace kestrel {

// What the Open file dialog is asked with.
struct OpenFileRequest {
  std::string title;
  std::string initialDirectory;  // ".\\"
  std::string filterText;        // "Hex File (HEX,HEQ,HEP,62A,62R)"
  std::string filterPatterns;    // "*.HEX;*.HEQ;..."
  std::string initialName;       // fileNameBuffer
  size_t maxPathLength = 255;    // longest path the dialog accepts
};

class FirmwareView : public DriveListView {
 public:
  // Puts the whole log into the status box (1012); with scrollToEnd the caret
  // goes to the end and is scrolled into view (appendToLog), else the box shows
  // the start of the log (showLog).
  virtual void SetStatusText(const std::string& log, bool scrollToEnd) = 0;
  virtual void SetFileNameField(const std::string& text) = 0;  // 1001
  virtual void SetInfoField(const std::string& text) = 0;      // 1002
  // The platform's file-error box for a file that cannot be opened.
  virtual void ShowFileError(const std::string& path, int cause) = 0;
  // ConfirmUpdateDialog: true only for OK.
  virtual bool ConfirmUpdate(const std::string& oldFirmware, const std::string& newFirmware) = 0;
  // While the drive's flash is written, the system may neither end the
  // session (the reason is shown where the system can) nor sleep.
  virtual void HoldSession(const std::string& reason) = 0;
  virtual void ReleaseSession() = 0;
};

}  // namespace kestrel
