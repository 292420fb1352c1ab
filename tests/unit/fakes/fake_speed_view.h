// A recording SpeedWindow for native tests.
#pragma once
#include <string>
#include <vector>

#include "fakes/fake_drive_list_view.h"
#include "speed/speed_view.h"

namespace kestrel::testing {

class FakeSpeedView : public RecordingDriveListView<SpeedView> {
 public:
  // The log as appendToLog built it, and every text appended, in order.
  std::string messageLog;
  std::vector<std::string> appended;
  // Questions asked, and the answer every question gets.
  std::vector<ShownMessage> questions;
  bool answerOk = true;

  void appendToLog(const std::string& text) override {
    messageLog += text;
    appended.push_back(text);
    events.push_back("log");
  }
  bool AskOkCancel(const std::string& text, const std::string& caption, BoxIcon) override {
    questions.push_back({text, caption});
    events.push_back("ask:" + caption);
    return answerOk;
  }
};

}  // namespace kestrel::testing
