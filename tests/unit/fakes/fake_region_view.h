// A recording RegionWindow for native tests. Its radio buttons behave like
// the window's: a report's states are moved in, and the user can check only
// an enabled button, which clears the others.
#pragma once
#include <array>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "fakes/fake_drive_list_view.h"
#include "region/region_view.h"

namespace kestrel::testing {

enum class BoxAnswer { Ok, Cancel };

class FakeRegionView : public RecordingDriveListView<RegionView> {
 public:
  struct Question {
    std::string text;
    std::string caption;
    BoxIcon icon;
  };
  struct LogUpdate {
    std::string log;
    bool caretToEnd;
  };

  // What the controls show now.
  RegionControls controls;
  std::array<bool, kRegionCount> checked{};
  std::vector<LogUpdate> logUpdates;
  std::vector<Question> questions;
  // Answers to the OK/Cancel boxes in order; with none left the answer is
  // Cancel, so that a wait that keeps asking cannot run on for ever.
  std::deque<BoxAnswer> answers;
  // Runs when a box comes up, before it is answered (the user inserts a disc).
  std::function<void()> onQuestion;

  // Events added to RecordingDriveListView's: "controls", "log:end",
  // "log:keep", "ask:<caption>".
  void ShowRegionControls(const RegionControls& shown) override {
    controls = shown;
    for (int i = 0; i < kRegionCount; ++i) checked[i] = shown.regionButtons[i].checked;
    events.push_back("controls");
  }
  void SetLogText(const std::string& log, bool caretToEnd) override {
    logUpdates.push_back({log, caretToEnd});
    events.push_back(caretToEnd ? "log:end" : "log:keep");
  }
  bool AskOkCancel(const std::string& text, const std::string& caption, BoxIcon icon) override {
    questions.push_back({text, caption, icon});
    events.push_back("ask:" + caption);
    if (onQuestion) onQuestion();
    if (answers.empty()) return false;
    const BoxAnswer answer = answers.front();
    answers.pop_front();
    return answer == BoxAnswer::Ok;
  }

  // The user clicks the button of region 1-6; false (nothing changes) when it
  // is disabled.
  bool ClickRegion(int region) {
    if (!controls.regionButtons.at(region - 1).enabled) return false;
    checked.fill(false);
    checked[region - 1] = true;
    return true;
  }
  // The checked button's region, 0 for none: what Set Region asks for.
  int CheckedRegion() const {
    for (int i = 0; i < kRegionCount; ++i)
      if (checked[i]) return i + 1;
    return 0;
  }
  std::string LogText() const { return logUpdates.empty() ? "" : logUpdates.back().log; }
  // Which region buttons are enabled, as "1.3..." style text: digit when
  // enabled, '.' when not.
  std::string EnabledButtons() const {
    std::string text;
    for (int i = 0; i < kRegionCount; ++i)
      text += controls.regionButtons[i].enabled ? static_cast<char>('1' + i) : '.';
    return text;
  }
  std::string CheckedButtons() const {
    std::string text;
    for (int i = 0; i < kRegionCount; ++i) text += checked[i] ? static_cast<char>('1' + i) : '.';
    return text;
  }
  // The disc check boxes that are enabled and checked, in the same form.
  std::string CheckedDiscBoxes() const {
    std::string text;
    for (int i = 0; i < kRegionCount; ++i) {
      const DiscBoxState& box = controls.discBoxes[i];
      text += box.enabled && box.checked ? static_cast<char>('1' + i) : '.';
    }
    return text;
  }
};

}  // namespace kestrel::testing
