// The three operations of the speed control utility, one per button of
// SpeedWindow: ChangeSpeed (Set speed), ReportSpeed (Drive Information) and
// ChangeDriveMode (Set mode). Each takes what the user chose when pressing
// the button (the selected entry, the speed, the mode), sends its commands one
// at a time, ends by appending one text to the log and returns its result.
//
// They run over any transport: the drive access makes the selected entry's drive
// current (ASPI: its adapter and target; pass-through: opens its letter) and
// releases it when the operation ends (pass-through: closes it).
#pragma once
#include <functional>
#include <optional>
#include <string>

#include "drive/drive_access.h"
#include "drive/drive_context.h"
#include "drive/drive_entry.h"
#include "drive/speed_commands.h"
#include "speed/speed_messages.h"
#include "speed/speed_view.h"

namespace kestrel {

// Set speed: the Target Drive list's selection (-1 for none) and the read
// speed to set, kbytes/s.
struct SpeedRequest {
  int entryIndex = -1;
  uint16_t readSpeed = kMaximumReadSpeed;
};

// Set mode: the list's selection and the Drive Mode list's mode, an index
// into kDriveModes: -1 when no item is selected, kDriveModeCount for an item
// that names no mode.
struct DriveModeRequest {
  int entryIndex = -1;
  int modeIndex = -1;
};

enum class SpeedOutcome {
  NoValidItem,       // no list entry (or mode) chosen
  NoAvailableDrive,  // Set mode without a list entry
  OpenFailed,
  Failed,             // the drive refused a command
  Cancelled,          // the user declined to stop the disc
  SpeedsNotReported,  // the page's speed fields read zero
  Done,
};

// The mode the report named; Unknown when it named none.
enum class ReportedMode { Unknown, Quiet, Performance };

struct SpeedResult {
  SpeedOutcome outcome = SpeedOutcome::NoValidItem;
  std::optional<CapabilitiesPage> page;  // the report: the page the drive sent
  ReportedMode mode = ReportedMode::Unknown;
};

class SpeedOperations {
 public:
  SpeedOperations(DriveContext& context, SpeedView& view, const DriveList& list,
                  DriveAccess& access)
      : context_(context), view_(view), list_(list), access_(access) {}

  SpeedResult ChangeSpeed(const SpeedRequest& request);
  SpeedResult ReportSpeed(int entryIndex);
  SpeedResult ChangeDriveMode(const DriveModeRequest& request);

  // The last MODE SENSE reply, kept until the next report.
  const CapabilitiesReply& capabilitiesReply() const { return capabilitiesReply_; }

 private:
  // Makes (on pass-through opens) the entry's drive current, runs `operation`
  // on it and logs its text, or logs why no drive could be used (`none`
  // without an entry).
  SpeedResult RunOnDrive(
      int entryIndex, speed_text::SpeedMessage none,
      const std::function<std::string(const DriveEntry&, SpeedResult&)>& operation);
  std::string SetSpeedText(uint16_t readSpeed, SpeedResult& result);
  std::string ReportText(const DriveEntry& entry, SpeedResult& result);
  std::string DriveModeText(size_t modeIndex, SpeedResult& result);
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
