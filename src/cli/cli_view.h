// The part of every view that a window's drive list, message boxes and
// progress window are in the windows: the tool has no list (its requests name
// the device, the operations' list holds that one), a box is kept in the
// tool's words for the command's one line on stderr, and progress is a bar on
// stderr when it is a terminal, one line per phase when it is not.
#pragma once
#include <chrono>
#include <string>
#include <vector>

#include "cli/cli_messages.h"
#include "cli/prompter.h"
#include "drive/drive_list_view.h"

namespace kestrel::cli {

// Turns the log's "\r\n" into "\n".
std::string PlainText(const std::string& text);

// The phases of a long run on stderr: a bar with the phase and the seconds
// left, redrawn in place at a terminal; elsewhere the phase's name once, so a
// log shows where a run stopped.
class ProgressLine {
 public:
  explicit ProgressLine(Terminal& terminal) : terminal_(terminal) {}
  void SetQuiet(bool quiet) { quiet_ = quiet; }
  // A phase of `total` units; ends the phase before.
  void Begin(const std::string& phase, uint32_t total);
  // `done` units of the phase; the seconds left are estimated from the rate
  // so far unless given.
  void Advance(uint32_t done, int secondsLeft = -1);
  void Close();
  bool Open() const { return open_; }

 private:
  void Draw(int secondsLeft);
  Terminal& terminal_;
  bool quiet_ = false;
  bool open_ = false, drawn_ = false;
  std::string phase_;
  uint32_t total_ = 1, done_ = 0;
  std::chrono::steady_clock::time_point start_;
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

  // MessageBoxView: every box the operations show says why they failed; it
  // is kept, in the tool's words, for the command's line on stderr.
  void ShowMessageBox(const std::string& text, const std::string&) override {
    const ToolLog said = ToolText(text);
    boxes_.push_back(said.failure.empty() ? PlainText(said.text) : said.failure);
    while (!boxes_.back().empty() && boxes_.back().back() == '\n') boxes_.back().pop_back();
  }
  // A question with OK and Cancel: yes or no on the terminal.
  bool AskOkCancel(const std::string& text, const std::string&, BoxIcon) override {
    return prompter_.Confirm(Said(text));
  }

  // ProgressView: the programming wait and the read-back draw their own
  // phases on Progress(); the window's countdown label is not the tool's.
  void OpenProgress() override {}
  void SetProgressRange(int, int, int) override {}
  void StepProgress() override {}
  void SetProgressLabel(const std::string&) override {}
  void CloseProgress() override {}
  void Pump() override {}

  const std::vector<std::string>& Boxes() const { return boxes_; }
  // Why the operation failed as its boxes said, or empty.
  std::string BoxFailure() const {
    std::string failure;
    for (const std::string& box : boxes_) failure += (failure.empty() ? "" : "; ") + box;
    return failure;
  }
  ProgressLine& Progress() { return progress_; }
  void SetQuiet(bool quiet) { progress_.SetQuiet(quiet); }

 protected:
  // A text of the operations as one line of the tool.
  static std::string Said(const std::string& text) {
    const ToolLog said = ToolText(text);
    std::string line = said.failure.empty() ? said.text : said.failure;
    for (char& c : line) c = c == '\n' ? ' ' : c;
    while (!line.empty() && line.back() == ' ') line.pop_back();
    return line;
  }
  Prompter& prompter_;

 private:
  ProgressLine progress_;
  std::vector<std::string> boxes_;
};

}  // namespace kestrel::cli
