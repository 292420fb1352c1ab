// FirmwareUpdateWindow, template 102: the main window of TARN9X and TARN2K.
// It moves data between its controls and the firmware operations, which
// reach it through FirmwareView; the operations themselves are bound by the
// program's entry point. Everything else is DriveWindow's.
#pragma once
#include <windows.h>

#include "firmware/firmware_view.h"
#include "firmware/update_procedure.h"
#include "shell/language.h"
#include "ui/main_window.h"
#include "win32/session_hold.h"

namespace kestrel {

// What the window's set-up and buttons run.
class FirmwareOperations {
 public:
  virtual ~FirmwareOperations() = default;
  // After the shell's set-up steps: keep the language, fill the drive list.
  virtual void OnWindowSetUp(Language language) = 0;
  // File: the dialog's parameters, then the file it chose (nothing: cancelled).
  virtual OpenFileRequest FileDialogRequest() const = 0;
  virtual void LoadFirmwareFile(const std::optional<std::string>& chosen) = 0;
  virtual void UpdateFirmware(const UpdateRequest& request) = 0;  // Update
};

class FirmwareUpdateWindow final : public DriveWindow<FirmwareView> {
 public:
  // confirmTemplateId: 130 with the warning (TARN9X), 131 without (TARN2K).
  FirmwareUpdateWindow(HINSTANCE instance, const MainWindowSetup& setup, int confirmTemplateId);

  // Runs the window as a modal dialog until it is closed.
  INT_PTR Run(FirmwareOperations& operations);

  // FirmwareView
  void SetStatusText(const std::string& log, bool scrollToEnd) override;
  void SetFileNameField(const std::string& text) override;
  void SetInfoField(const std::string& text) override;
  void ShowFileError(const std::string& path, int cause) override;
  bool ConfirmUpdate(const std::string& oldFirmware, const std::string& newFirmware) override;
  void HoldSession(const std::string& reason) override;
  void ReleaseSession() override;

 private:
  // The button map.
  void OnSetUp() override;
  void OnCommand(int id, int code) override;
  INT_PTR OnOtherMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  // The Open file dialog; nothing when the user cancelled.
  std::optional<std::string> ChooseFile(const OpenFileRequest& request);

  int confirmTemplateId_;
  win32::SessionHold sessionHold_;
  FirmwareOperations* operations_ = nullptr;
};

}  // namespace kestrel
