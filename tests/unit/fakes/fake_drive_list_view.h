// A recording drive list window for native tests. RecordingDriveListView<Base>
// implements the DriveListView part of any view derived from it, so a fake of
// a bigger window view (e.g. FirmwareView) can reuse it:
//   class FakeFirmwareView : public RecordingDriveListView<FirmwareView> { ... };
#pragma once
#include <string>
#include <vector>

#include "drive/drive_list_view.h"

namespace kestrel::testing {

struct ShownMessage {
  std::string text;
  std::string caption;
};

template <class Base = DriveListView>
class RecordingDriveListView : public Base {
 public:
  // The list box.
  std::vector<std::string> items;
  int selection = -1;
  int failDeletionAfter = -1;  // >= 0: deletions beyond this many fail
  int deletions = 0;
  int refreshes = 0;
  bool closed = false;
  // Message boxes in order, questions included.
  std::vector<ShownMessage> messages;
  // The answers to OK/Cancel questions, in order; true is OK. A question
  // asked when none is left is answered Cancel.
  std::vector<bool> answers;
  // Everything that happened to the window, in order, as short words:
  // "add:<text>", "select:<i>", "refresh", "box:<caption>", "ask:<caption>"
  // ("ask!:" with the exclamation icon), "close",
  // "progress-open", "range:<low>-<high>/<step>", "step", "label:<text>",
  // "pump", "progress-close".
  std::vector<std::string> events;
  bool progressOpen = false;
  int progressSteps = 0;

  // MessageBoxView
  void ShowMessageBox(const std::string& text, const std::string& caption) override {
    messages.push_back({text, caption});
    events.push_back("box:" + caption);
  }
  bool AskOkCancel(const std::string& text, const std::string& caption, BoxIcon icon) override {
    messages.push_back({text, caption});
    events.push_back(std::string(icon == BoxIcon::Exclamation ? "ask!:" : "ask:") + caption);
    if (answers.empty()) return false;
    const bool answer = answers.front();
    answers.erase(answers.begin());
    return answer;
  }
  // ProgressView
  void OpenProgress() override {
    progressOpen = true;
    events.push_back("progress-open");
  }
  void SetProgressRange(int low, int high, int step) override {
    events.push_back("range:" + std::to_string(low) + "-" + std::to_string(high) + "/" +
                     std::to_string(step));
  }
  void StepProgress() override {
    ++progressSteps;
    events.push_back("step");
  }
  void SetProgressLabel(const std::string& text) override { events.push_back("label:" + text); }
  void CloseProgress() override {
    progressOpen = false;
    events.push_back("progress-close");
  }
  void Pump() override { events.push_back("pump"); }
  // DriveListView
  int ListCount() const override { return static_cast<int>(items.size()); }
  bool DeleteListItem(int index) override {
    if (failDeletionAfter >= 0 && deletions >= failDeletionAfter) return false;
    if (index < 0 || index >= static_cast<int>(items.size())) return false;
    items.erase(items.begin() + index);
    ++deletions;
    return true;
  }
  void AddListItem(const std::string& text) override {
    items.push_back(text);
    events.push_back("add:" + text);
  }
  void SelectListItem(int index) override {
    selection = index;
    events.push_back("select:" + std::to_string(index));
  }
  int ListSelection() const override { return selection; }
  void RefreshControls() override {
    ++refreshes;
    events.push_back("refresh");
  }
  void CloseWindow() override {
    closed = true;
    events.push_back("close");
  }

  int CountEvents(const std::string& word) const {
    int n = 0;
    for (const auto& e : events) n += e == word ? 1 : 0;
    return n;
  }
};

using FakeDriveListView = RecordingDriveListView<DriveListView>;

}  // namespace kestrel::testing
