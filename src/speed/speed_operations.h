// The three operations of the speed control utility, one per button of
// SpeedWindow: ChangeSpeed (Set speed), ReportSpeed (Drive Information) and
// ChangeDriveMode (Set mode). Each takes the selected drive, sends its
// commands one at a time and ends by appending one text to the log.
//
// They run over any transport: the drive access makes the selected entry's drive
// current (ASPI: its adapter and target; pass-through: opens its letter) and
// releases it when the operation ends (pass-through: closes it).
#pragma once
#include <functional>
#include <string>

#include "drive/drive_access.h"
#include "drive/drive_context.h"
#include "drive/drive_entry.h"
#include "drive/speed_commands.h"
#include "speed/speed_view.h"

namespace kestrel {

class SpeedOperations {
 public:
  SpeedOperations(DriveContext& context, SpeedView& view, const DriveList& list,
                  DriveAccess& access)
      : context_(context), view_(view), list_(list), access_(access) {}

  void ChangeSpeed();
  void ReportSpeed();
  void ChangeDriveMode();

  // The last MODE SENSE reply, kept until the next report.
  const CapabilitiesReply& capabilitiesReply() const { return capabilitiesReply_; }

 private:
  enum class Selection { Current, NoSelection, OpenFailed };
  // Makes the drive of the Target Drive list's selection current.
  Selection SelectDrive(const DriveEntry*& entry);
  // Selects (and on pass-through opens) the chosen drive, runs `operation` on
  // it and logs its text, or logs why no drive could be used.
  void RunOnSelectedDrive(const std::function<std::string(const DriveEntry&)>& operation);
  std::string SetSpeedText();
  std::string ReportText(const DriveEntry& entry);
  std::string DriveModeText(size_t modeIndex);
  // REQUEST SENSE (its result is not examined) and the triple it left.
  std::string SenseTriple(const char* format);
  // Lets the window repaint before the next command goes to the drive.
  void BeforeCommand() { view_.Pump(); }
  std::string Message(size_t index) const;

  DriveContext& context_;
  SpeedView& view_;
  const DriveList& list_;
  DriveAccess& access_;
  CapabilitiesReply capabilitiesReply_{};
};

// The two speed lines of the report, in kbytes/s and as CD and DVD multiples.
std::string FormatSpeedReport(uint16_t currentSpeed, uint16_t maximumSpeed);
// The line after a successful speed change, in the window's language.
std::string FormatSpeedLine(uint16_t readSpeed, Language language);

}  // namespace kestrel
