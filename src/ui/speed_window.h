// SpeedWindow, template 102: the main window of BECK9X and BECK2K. It moves
// data between its controls and the speed operations, which reach it through
// SpeedView; the operations themselves are bound by the program's entry
// point. Everything else is DriveWindow's.
#pragma once
#include <windows.h>

#include "shell/language.h"
#include "speed/speed_operations.h"
#include "speed/speed_view.h"
#include "ui/main_window.h"

namespace kestrel {

// What the window's set-up and buttons run.
class SpeedWindowOperations {
 public:
  virtual ~SpeedWindowOperations() = default;
  // After the shell's set-up steps and the lists: keep the language, fill the
  // drive list. true when a drive was listed; otherwise the discovery has
  // told the user and asked the window to close.
  virtual bool OnWindowSetUp(Language language) = 0;
  virtual void ChangeSpeed(const SpeedRequest& request) = 0;          // Set speed
  virtual void ReportSpeed(int entryIndex) = 0;                       // Drive Information
  virtual void ChangeDriveMode(const DriveModeRequest& request) = 0;  // Set mode
};

class SpeedWindow final : public DriveWindow<SpeedView> {
 public:
  SpeedWindow(HINSTANCE instance, const MainWindowSetup& setup) : DriveWindow(instance, setup) {}

  // Runs the window as a modal dialog until it is closed.
  INT_PTR Run(SpeedWindowOperations& operations);

  // SpeedView
  void appendToLog(const std::string& text) override;

 private:
  // What the buttons ask for, taken from the lists when one is pressed.
  SpeedRequest SpeedChoiceRequest() const;
  DriveModeRequest ModeRequest() const;
  std::string ModeItemText(int index) const;  // "" for an index that names none
  // The button map.
  void OnSetUp() override;
  void OnCommand(int id, int code) override;
  void FillLists();

  SpeedWindowOperations* operations_ = nullptr;
  std::string messageLog_;
};

}  // namespace kestrel
