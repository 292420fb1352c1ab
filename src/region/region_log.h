// messageLog of RegionWindow: it only grows while the program runs.
#pragma once
#include <string>
#include <string_view>

#include "region/region_view.h"

namespace kestrel {

class RegionLog {
 public:
  explicit RegionLog(RegionView& view) : view_(view) {}
  // Adds the text, shows the whole log, caret at the end.
  void appendToLog(std::string_view text) {
    messageLog_.append(text);
    view_.SetLogText(messageLog_, true);
  }
  // Adds the text and shows the whole log without moving the caret.
  void AddAndShow(std::string_view text) {
    messageLog_.append(text);
    view_.SetLogText(messageLog_, false);
  }
  const std::string& text() const { return messageLog_; }

 private:
  RegionView& view_;
  std::string messageLog_;
};

}  // namespace kestrel
