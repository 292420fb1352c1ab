#include "speed/speed_operations.h"

#include <cstdio>
#include <functional>

#include "drive/command_set.h"
#include "drive/sense.h"
#include "drive/unit_attention.h"
#include "speed/speed_choices.h"
#include "speed/speed_messages.h"

namespace kestrel {
namespace {

template <class... Args>
std::string Format(const char* format, Args... args) {
  const int length = std::snprintf(nullptr, 0, format, args...);
  if (length <= 0) return std::string();
  std::string text(static_cast<size_t>(length) + 1, '\0');
  std::snprintf(text.data(), text.size(), format, args...);
  text.resize(static_cast<size_t>(length));
  return text;
}

// Releases the operation's drive however the operation ends.
class DriveUse {
 public:
  explicit DriveUse(DriveAccess& access) : access_(access) {}
  ~DriveUse() { access_.Release(); }
  DriveUse(const DriveUse&) = delete;
  DriveUse& operator=(const DriveUse&) = delete;

 private:
  DriveAccess& access_;
};

}  // namespace

std::string FormatSpeedReport(uint16_t currentSpeed, uint16_t maximumSpeed) {
  const double current = currentSpeed;
  const double maximum = maximumSpeed;
  return Format(speed_text::kSpeedReportFormat, static_cast<int>(currentSpeed),
                current * kCdXPerKbyte, current * kDvdXPerKbyte, static_cast<int>(maximumSpeed),
                maximum * kCdXPerKbyte, maximum * kDvdXPerKbyte);
}

std::string FormatSpeedLine(uint16_t readSpeed, Language language) {
  if (readSpeed == kMaximumReadSpeed) return Pick(speed_text::kMaximumSpeedLine, language);
  return Format(Pick(speed_text::kSpeedLine, language), static_cast<int>(readSpeed),
                readSpeed / kSetSpeedKbytesPerX);
}

std::string SpeedOperations::Message(size_t index) const {
  return Pick(speed_text::kSpeedMessages[index], context_.language);
}

std::string SpeedOperations::SenseTriple(const char* format) {
  BeforeCommand();
  SendRequestSense(context_);
  const SenseCodes codes = DecodeSense(context_.buffers());
  return Format(format, codes.keyByte, codes.asc, codes.ascq);
}

SpeedResult SpeedOperations::RunOnDrive(
    int entryIndex, speed_text::SpeedMessage none,
    const std::function<std::string(const DriveEntry&, SpeedResult&)>& operation) {
  DriveUse use(access_);
  SpeedResult result;
  std::string text;
  // A selection that names no entry (typed text in the list's field) counts
  // as none.
  const DriveEntry* entry = list_.At(entryIndex);
  if (entry == nullptr) {
    result.outcome = none == speed_text::kNoValidItem ? SpeedOutcome::NoValidItem
                                                      : SpeedOutcome::NoAvailableDrive;
    text = Message(none);
  } else if (access_.MakeCurrent(*entry) != 0) {
    result.outcome = SpeedOutcome::OpenFailed;
    text = Message(speed_text::kDeviceOpenFailed);
  } else {
    text = operation(*entry, result);
  }
  view_.appendToLog(text);
  return result;
}

SpeedResult SpeedOperations::ChangeSpeed(const SpeedRequest& request) {
  return RunOnDrive(request.entryIndex, speed_text::kNoValidItem,
                    [&](const DriveEntry&, SpeedResult& result) {
                      return SetSpeedText(request.readSpeed, result);
                    });
}

std::string SpeedOperations::SetSpeedText(uint16_t readSpeed, SpeedResult& result) {
  BeforeCommand();
  if (SetCdSpeed(context_, kSpeedChange, readSpeed, 0) != 0) {
    // English in both languages; shown in a box and then logged.
    const std::string failure = SenseTriple(speed_text::kSpeedChangeFailedFormat);
    view_.ShowMessageBox(failure, speed_text::kErrorCaption);
    result.outcome = SpeedOutcome::Failed;
    return failure;
  }
  result.outcome = SpeedOutcome::Done;
  return Message(speed_text::kSpeedChanged) + FormatSpeedLine(readSpeed, context_.language);
}

SpeedResult SpeedOperations::ReportSpeed(int entryIndex) {
  return RunOnDrive(
      entryIndex, speed_text::kNoValidItem,
      [this](const DriveEntry& entry, SpeedResult& result) { return ReportText(entry, result); });
}

std::string SpeedOperations::ReportText(const DriveEntry& entry, SpeedResult& result) {
  const Language language = context_.language;
  BeforeCommand();
  if (ReadCapabilitiesPage(context_, capabilitiesReply_) != 0) {
    result.outcome = SpeedOutcome::Failed;
    return Pick(speed_text::kCapabilitiesFailed, language) +
           SenseTriple(speed_text::kSenseLineFormat);
  }
  // The read above has found the page; a missing one would read as no speeds.
  const CapabilitiesPage page =
      DecodeCapabilitiesPage(capabilitiesReply_.data(), capabilitiesReply_.size())
          .value_or(CapabilitiesPage{});
  result.page = page;
  if (page.currentReadSpeed == 0 || page.maximumReadSpeed == 0) {
    result.outcome = SpeedOutcome::SpeedsNotReported;
    return Message(speed_text::kSpeedFieldsNotSupported);
  }
  result.outcome = SpeedOutcome::Done;
  const std::string speeds = FormatSpeedReport(page.currentReadSpeed, page.maximumReadSpeed);

  // Only a model of the table is known to keep these modes; for any other
  // model, or when INQUIRY fails, nothing is said about a mode.
  BeforeCommand();
  if (access_.CheckSupported(context_, entry) != 0) return speeds;
  const uint32_t threshold = page.DvdMedium() ? kDvdModeThreshold : kCdModeThreshold;
  const bool quiet = page.maximumReadSpeed < threshold;
  result.mode = quiet ? ReportedMode::Quiet : ReportedMode::Performance;
  return Pick(quiet ? speed_text::kQuietModeNow : speed_text::kPerformanceModeNow, language) +
         speeds;
}

SpeedResult SpeedOperations::ChangeDriveMode(const DriveModeRequest& request) {
  SpeedResult result;
  if (request.modeIndex < 0) {
    view_.appendToLog(Message(speed_text::kNoValidItem));
    return result;
  }
  if (list_.At(request.entryIndex) == nullptr) {
    view_.appendToLog(Message(speed_text::kNoAvailableDrive));
    result.outcome = SpeedOutcome::NoAvailableDrive;
    return result;
  }
  // An item of the list that names no mode is no valid item rather than a
  // mode nobody chose.
  const size_t modeIndex = static_cast<size_t>(request.modeIndex);
  if (modeIndex >= speed_text::kDriveModeCount) {
    view_.appendToLog(Message(speed_text::kNoValidItem));
    return result;
  }
  return RunOnDrive(request.entryIndex, speed_text::kNoAvailableDrive,
                    [&](const DriveEntry&, SpeedResult& modeResult) {
                      return DriveModeText(modeIndex, modeResult);
                    });
}

std::string SpeedOperations::DriveModeText(size_t modeIndex, SpeedResult& result) {
  const Language language = context_.language;
  const DriveMode& mode = kDriveModes[modeIndex];
  const auto failure = [&] {
    result.outcome = SpeedOutcome::Failed;
    return Pick(speed_text::kDriveModeFailed, language) + SenseTriple(speed_text::kSenseLineFormat);
  };

  // The failed test's sense: with the request itself where the transport
  // asks for it (pass-through), else taken up with REQUEST SENSE.
  SenseCodes sense;
  const int32_t ready = SendPastUnitAttentions(
      context_, kMaxUnitAttentionsInARow,
      [&] {
        BeforeCommand();
        return SendTestUnitReady(context_);
      },
      [&] {
        if (context_.buffers().sense[0] != 0) return true;  // a response code came
        BeforeCommand();
        return SendRequestSense(context_) == 0;
      },
      sense);
  // Only a drive that says it has no medium has no disc turning; one that is
  // becoming ready, or says nothing clear, may well have.
  if (ready == 0 || !sense.MediumNotPresent()) {
    // Stop the disc only with the user's consent.
    if (!view_.AskOkCancel(Pick(speed_text::kSafetyQuestion, language),
                           speed_text::kAttentionCaption, BoxIcon::None)) {
      result.outcome = SpeedOutcome::Cancelled;
      return Pick(speed_text::kOperationCanceled, language);
    }
    BeforeCommand();
    if (StartStopUnit(context_, 0, 0, 0) != 0) return failure();
  }

  BeforeCommand();
  if (SetCdSpeed(context_, mode.modeByte, mode.readSpeed, 0) != 0) return failure();
  result.outcome = SpeedOutcome::Done;
  return Message(mode.success);
}

}  // namespace kestrel
