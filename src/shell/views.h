// What operations may do to windows. Win32 windows implement these; native
// tests use recording fakes. Texts are UTF-8.
#pragma once
#include <string>

namespace kestrel {

enum class BoxIcon { None, Exclamation };

// Stand-alone messages: one with an OK button, and a question with OK and
// Cancel.
class MessageBoxView {
 public:
  virtual ~MessageBoxView() = default;
  virtual void ShowMessageBox(const std::string& text, const std::string& caption) = 0;
  // True only when the user answered OK.
  virtual bool AskOkCancel(const std::string& text, const std::string& caption, BoxIcon icon) = 0;
};

// The modeless ProgressWindow: a text line above a progress bar. Open creates
// and shows it, Close destroys it. While it is open the window must stay
// painted; Pump lets the window system repaint and discards user input.
class ProgressView {
 public:
  virtual ~ProgressView() = default;
  virtual void OpenProgress() = 0;
  virtual void SetProgressRange(int low, int high, int step) = 0;
  virtual void StepProgress() = 0;
  virtual void SetProgressLabel(const std::string& text) = 0;
  virtual void CloseProgress() = 0;
  virtual void Pump() = 0;
};

}  // namespace kestrel
