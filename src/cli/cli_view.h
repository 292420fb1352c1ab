// The part of every view that a window's drive list, message boxes and
// progress window are in the windows: the tool has no list (its requests name
// the device, the operations' list holds that one), boxes are printed on
// stderr, and the progress window is a bar on stderr when it is a terminal.
#pragma once
#include <string>
#include <vector>

#include "cli/prompter.h"
#include "drive/drive_list_view.h"

namespace kestrel::cli {

// Turns the log's "\r\n" into "\n".
std::string PlainText(const std::string& text);

// Draws the progress window's label and bar on stderr.
class ProgressLine {
 public:
  explicit ProgressLine(Terminal& terminal) : terminal_(terminal) {}
  void Open() {
    open_ = true;
    position_ = low_;
  }
  void SetRange(int low, int high) { low_ = low, high_ = high, position_ = low; }
  void Step() { ++position_, Draw(); }
  void SetLabel(const std::string& text) { label_ = text, Draw(); }
  void Close();

 private:
  void Draw();
  Terminal& terminal_;
  bool open_ = false;
  int low_ = 0, high_ = 100, position_ = 0;
  std::string label_;
};

template <class View>
class CliView : public View {
 public:
  explicit CliView(Prompter& prompter) : prompter_(prompter), progress_(prompter.GetTerminal()) {}

  // DriveListView: no list to show.
  int ListCount() const override { return 0; }
  bool DeleteListItem(int) override { return false; }
  void AddListItem(const std::string&) override {}
  void SelectListItem(int) override {}
  int ListSelection() const override { return -1; }
  void RefreshControls() override {}
  void CloseWindow() override {}

  // MessageBoxView: the box's text on stderr, kept for the result.
  void ShowMessageBox(const std::string& text, const std::string& caption) override {
    prompter_.GetTerminal().Err() << caption << ": " << PlainText(text) << "\n";
    boxes_.push_back(PlainText(text));
  }
  // A question with OK and Cancel: yes or no on the terminal.
  bool AskOkCancel(const std::string& text, const std::string& caption, BoxIcon) override {
    return prompter_.Confirm(caption + ": " + PlainText(text));
  }

  // ProgressView
  void OpenProgress() override { progress_.Open(); }
  void SetProgressRange(int low, int high, int) override { progress_.SetRange(low, high); }
  void StepProgress() override { progress_.Step(); }
  void SetProgressLabel(const std::string& text) override { progress_.SetLabel(text); }
  void CloseProgress() override { progress_.Close(); }
  void Pump() override {}

  const std::vector<std::string>& Boxes() const { return boxes_; }

 protected:
  Prompter& prompter_;

 private:
  ProgressLine progress_;
  std::vector<std::string> boxes_;
};

}  // namespace kestrel::cli
