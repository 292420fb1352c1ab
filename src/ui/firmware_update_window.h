// FirmwareUpdateWindow, template 102: the main window of TARN9X and TARN2K.
// It moves data between its controls and the firmware operations, which
// reach it through FirmwareView; the operations themselves are bound by the
// program's entry point.
#pragma once
#include <windows.h>

#include "firmware/firmware_view.h"
#include "shell/language.h"
#include "shell/shell_catalog.h"
#include "ui/main_window_shell.h"
#include "ui/progress_window.h"

namespace kestrel {

// What the window's set-up and buttons run.
class FirmwareOperations {
 public:
  virtual ~FirmwareOperations() = default;
  // After the shell's set-up steps: keep the language, fill the drive list.
  virtual void OnWindowSetUp(Language language) = 0;
  virtual void LoadFirmwareFile() = 0;  // File
  virtual void UpdateFirmware() = 0;    // Update
};

struct FirmwareWindowConfig {
  const ShellTraits& shell;
  int confirmTemplateId;  // 130 with the warning (TARN9X), 131 without (TARN2K)
};

class FirmwareUpdateWindow final : public FirmwareView {
 public:
  FirmwareUpdateWindow(HINSTANCE instance, const FirmwareWindowConfig& config);

  // Runs the window as a modal dialog until it is closed.
  INT_PTR Run(FirmwareOperations& operations);
  INT_PTR HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  // MessageBoxView
  void ShowMessageBox(const std::string& text, const std::string& caption) override;
  // ProgressView
  void OpenProgress() override;
  void SetProgressRange(int low, int high, int step) override;
  void StepProgress() override;
  void SetProgressLabel(const std::string& text) override;
  void CloseProgress() override;
  void Pump() override;
  // DriveListView
  int ListCount() const override;
  bool DeleteListItem(int index) override;
  void AddListItem(const std::string& text) override;
  void SelectListItem(int index) override;
  int ListSelection() const override;
  void RefreshControls() override;
  void CloseWindow() override;
  // FirmwareView
  void SetStatusText(const std::string& log, bool scrollToEnd) override;
  void SetFileNameField(const std::string& text) override;
  void SetInfoField(const std::string& text) override;
  std::optional<std::string> ChooseFile(const OpenFileRequest& request) override;
  void ShowFileError(const std::string& path, int cause) override;
  bool ConfirmUpdate(const std::string& oldFirmware, const std::string& newFirmware) override;

 private:
  BOOL OnInitDialog();
  void OnCommand(WORD id, WORD code);
  bool OnSysCommand(WPARAM wParam);
  // Runs one operation to its end; input that arrives meanwhile is dropped
  // and a close asked for meanwhile waits until it has ended.
  template <class Operation>
  void RunOperation(Operation operation);
  HWND Control(int id) const { return GetDlgItem(window_, id); }

  HINSTANCE instance_;
  FirmwareWindowConfig config_;
  MainWindowShell shell_;
  ProgressWindow progress_;
  FirmwareOperations* operations_ = nullptr;
  HWND window_ = nullptr;
  Language language_;
  bool busy_ = false;
  bool closePending_ = false;
};

}  // namespace kestrel
