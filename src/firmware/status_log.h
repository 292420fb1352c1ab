// messageLog of FirmwareUpdateWindow and the two ways of adding to it.
#pragma once
#include <string>
#include <string_view>

#include "firmware/firmware_view.h"

namespace kestrel {

class StatusLog {
 public:
  explicit StatusLog(FirmwareView& view) : view_(view) {}
  // Appends, shows the whole log and scrolls to its end.
  void appendToLog(std::string_view text);
  // Appends and shows the whole log from its start.
  void showLog(std::string_view text);
  // Starts the log afresh (a new firmware file), without showing it.
  void Replace(std::string_view text);
  // Adds to the log without showing it yet.
  void Add(std::string_view text) { messageLog_.append(text); }
  // Pushes the whole log into the status box.
  void Show(bool scrollToEnd) { view_.SetStatusText(messageLog_, scrollToEnd); }
  const std::string& text() const { return messageLog_; }

 private:
  FirmwareView& view_;
  std::string messageLog_;
};

}  // namespace kestrel
