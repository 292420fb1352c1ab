#include "sim/model/speed_state.h"

#include <algorithm>
#include <cctype>

namespace kestrel::sim {
namespace {

using namespace speed_op;
constexpr uint8_t kCapabilitiesPage = 0x2A;
constexpr uint8_t kAllPages = 0x3F;
constexpr uint8_t kNoDiscMediumType = 0x70;  // door closed, no disc
constexpr size_t kHeaderLength = 8;
constexpr size_t kHeader6Length = 4;
constexpr size_t kPageLength = 0x18;  // page bytes after the first two

void Put16(std::vector<uint8_t>& bytes, size_t at, uint16_t value) {
  bytes[at] = static_cast<uint8_t>(value >> 8);
  bytes[at + 1] = static_cast<uint8_t>(value);
}

SpeedReply Refuse(Sense sense) {
  SpeedReply r;
  r.good = false;
  r.sense = sense;
  return r;
}

bool ParseSpeed(const std::string& text, uint16_t& value) {
  if (text.empty() || text.size() > 5) return false;
  uint32_t n = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    n = n * 10 + static_cast<uint32_t>(c - '0');
  }
  if (n > 0xFFFF) return false;
  value = static_cast<uint16_t>(n);
  return true;
}

}  // namespace

bool IsSpeedKey(const std::string& key) {
  return key == "max_speed" || key == "max_dvd_speed" || key == "quiet_max_speed" ||
         key == "quiet_max_dvd_speed" || key == "read_speed" || key == "medium" ||
         key == "drive_mode" || key == "spindown_ms" || key == "power_off";
}

bool ParseSpeedKey(SpeedSetup& setup, const std::string& key, const std::string& value,
                   std::string& error) {
  uint16_t speed = 0;
  if (key == "max_speed" || key == "max_dvd_speed" || key == "quiet_max_speed" ||
      key == "quiet_max_dvd_speed" || key == "read_speed") {
    if (!ParseSpeed(value, speed)) return error = "bad " + key + " (kbytes/s, 0-65535)", false;
    if (key == "max_speed") setup.maximumCdSpeed = speed;
    if (key == "max_dvd_speed") setup.maximumDvdSpeed = speed;
    if (key == "quiet_max_speed") setup.quietMaximumCdSpeed = speed;
    if (key == "quiet_max_dvd_speed") setup.quietMaximumDvdSpeed = speed;
    if (key == "read_speed") setup.selectedReadSpeed = speed;
  } else if (key == "medium") {
    if (value == "cd") {
      setup.mediumType = 0x01;
    } else if (value == "dvd") {
      setup.mediumType = 0x40;
    } else {
      std::string digits = value;
      if (digits.size() == 3 && (digits.back() == 'h' || digits.back() == 'H')) digits.pop_back();
      if (digits.size() != 2 || !std::isxdigit(static_cast<unsigned char>(digits[0])) ||
          !std::isxdigit(static_cast<unsigned char>(digits[1]))) {
        return error = "medium is cd, dvd or a hex medium type", false;
      }
      setup.mediumType = static_cast<uint8_t>(std::stoul(digits, nullptr, 16));
    }
  } else if (key == "drive_mode") {
    if (value != "performance" && value != "quiet") {
      return error = "drive_mode is performance or quiet", false;
    }
    setup.permanentMode = value == "quiet" ? DriveMode::Quiet : DriveMode::Performance;
  } else if (key == "power_off") {
    if (value != "never" && value != "between_runs") {
      return error = "power_off is never or between_runs", false;
    }
    setup.offBetweenRuns = value == "between_runs";
  } else if (key == "spindown_ms") {
    uint16_t ms = 0;
    if (!ParseSpeed(value, ms)) return error = "bad spindown_ms (0-65535)", false;
    setup.spinDownMs = ms;
  } else {
    return error = "unknown speed key '" + key + "'", false;
  }
  return true;
}

SpeedState::SpeedState(const SpeedSetup& setup)
    : setup_(setup),
      activeMode_(setup.permanentMode),
      permanentMode_(setup.permanentMode),
      selectedReadSpeed_(setup.selectedReadSpeed) {}

void SpeedState::PowerCycle() {
  activeMode_ = permanentMode_;
  selectedReadSpeed_ = setup_.selectedReadSpeed;
  stopped_ = false;
}

void SpeedState::Resume(DriveMode activeMode, uint16_t readSpeed) {
  activeMode_ = activeMode;
  selectedReadSpeed_ = readSpeed;
}

void SpeedState::SetPermanentMode(DriveMode mode) {
  permanentMode_ = mode;
  activeMode_ = mode;
  ++permanentChanges_;
}

uint16_t SpeedState::MaximumReadSpeed(bool dvd) const {
  if (activeMode_ == DriveMode::Quiet) {
    return dvd ? setup_.quietMaximumDvdSpeed : setup_.quietMaximumCdSpeed;
  }
  return dvd ? setup_.maximumDvdSpeed : setup_.maximumCdSpeed;
}

uint16_t SpeedState::CurrentReadSpeed(bool dvd) const {
  return std::min(selectedReadSpeed_, MaximumReadSpeed(dvd));
}

SpeedReply SpeedState::Execute(const uint8_t* cdb, size_t cdbLength, bool discPresent) {
  switch (cdb[0]) {
    case kSetCdSpeed:
      return SetCdSpeed(cdb, cdbLength);
    case kModeSense6:
    case kModeSense10:
      return ModeSense(cdb, cdbLength, discPresent);
    case kStartStopUnit:
      return StartStop(cdb, discPresent);
    default:
      return Refuse(kInvalidOpcode);
  }
}

SpeedReply SpeedState::SetCdSpeed(const uint8_t* cdb, size_t cdbLength) {
  if (cdbLength < 12) return Refuse(kInvalidField);
  const uint8_t modeByte = cdb[1];
  const uint16_t readSpeed = static_cast<uint16_t>(cdb[2] << 8 | cdb[3]);
  if (modeByte == 0x00) {
    selectedReadSpeed_ = readSpeed;
    return SpeedReply{};
  }
  // A mode change: FFFFh performance, 0000h quiet; bit 1 makes it permanent.
  if ((modeByte != 0x01 && modeByte != 0x03) || (readSpeed != 0xFFFF && readSpeed != 0x0000)) {
    return Refuse(kInvalidField);
  }
  const DriveMode mode = readSpeed == 0xFFFF ? DriveMode::Performance : DriveMode::Quiet;
  if (modeByte == 0x03) {
    SetPermanentMode(mode);
  } else {
    activeMode_ = mode;
  }
  return SpeedReply{};
}

SpeedReply SpeedState::ModeSense(const uint8_t* cdb, size_t cdbLength, bool discPresent) {
  const bool six = cdb[0] == kModeSense6;
  if (cdbLength < (six ? 6u : 10u)) return Refuse(kInvalidField);
  const uint8_t pageCode = cdb[2] & 0x3F;
  if (pageCode != kCapabilitiesPage && pageCode != kAllPages) return Refuse(kInvalidField);
  const uint8_t mediumType = discPresent ? setup_.mediumType : kNoDiscMediumType;
  const bool dvd = discPresent && (mediumType >> 4) == 4;

  // The same page after either header; no block descriptors.
  const size_t header = six ? kHeader6Length : kHeaderLength;
  SpeedReply r;
  r.in.assign(header + 2 + kPageLength, 0);
  if (six) {
    r.in[0] = static_cast<uint8_t>(r.in.size() - 1);  // mode data length
    r.in[1] = mediumType;
  } else {
    Put16(r.in, 0, static_cast<uint16_t>(r.in.size() - 2));
    r.in[2] = mediumType;
  }
  uint8_t* page = &r.in[header];
  page[0] = kCapabilitiesPage;
  page[1] = kPageLength;
  page[2] = 0x3F;  // reads CD-R, CD-RW, method 2, DVD-ROM, DVD-R, DVD-RAM
  page[4] = 0x71;  // audio play, mode 2 forms 1 and 2
  page[5] = 0x7F;  // CD-DA commands, accurate stream
  page[6] = 0x29;  // tray, eject, lock
  Put16(r.in, header + 8, MaximumReadSpeed(dvd));
  Put16(r.in, header + 10, 256);  // volume levels
  Put16(r.in, header + 12, 512);  // buffer, KB
  Put16(r.in, header + 14, CurrentReadSpeed(dvd));
  const size_t allocation = six ? cdb[4] : static_cast<size_t>(cdb[7] << 8 | cdb[8]);
  r.in.resize(std::min(r.in.size(), allocation));
  return r;
}

SpeedReply SpeedState::StartStop(const uint8_t* cdb, bool discPresent) {
  const bool immediate = cdb[1] & 0x01;
  const uint8_t byte4 = cdb[4];
  // This model has no power conditions and no eject by command.
  if ((byte4 & 0xF0) != 0 || (byte4 & 0x02) != 0) return Refuse(kInvalidField);
  const bool start = byte4 & 0x01;
  SpeedReply r;
  if (!start && discPresent && !stopped_ && !immediate) r.durationMs = setup_.spinDownMs;
  stopped_ = !start;
  return r;
}

}  // namespace kestrel::sim
