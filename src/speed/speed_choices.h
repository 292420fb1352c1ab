// The read speeds of the Audio Extraction Speed list and the SET CD SPEED
// fields of the Drive Mode list, and the unit arithmetic of the speed texts.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "speed/speed_messages.h"

namespace kestrel {

// Read speed sent for a list index of the Audio Extraction Speed list; any
// index outside the list (no selection) asks for the maximum.
uint16_t SpeedChoice(int index);

struct DriveMode {
  uint8_t modeByte;    // SET CD SPEED byte 1: 03h permanent, 01h temporary
  uint16_t readSpeed;  // FFFFh performance mode, 0000h quiet mode
  speed_text::SpeedMessage success;
};
extern const DriveMode kDriveModes[speed_text::kDriveModeCount];

// The mode of a Drive Mode list item: the first whose label in the language
// is the item's text; kDriveModeCount when none is.
int DriveModeIndex(const std::string& itemText, Language language);

// The set-speed message counts 176 kbytes/s per X (integer division).
constexpr int kSetSpeedKbytesPerX = 176;
// The report uses 176.5 kbytes/s for CD 1X and 1385 for DVD 1X, multiplying by
// the doubles nearest to their reciprocals.
constexpr double kCdXPerKbyte = 1.0 / 176.5;
constexpr double kDvdXPerKbyte = 1.0 / 1385.0;
// A maximum read speed below the threshold means the quiet mode.
constexpr uint32_t kCdModeThreshold = 7040;
constexpr uint32_t kDvdModeThreshold = 21600;

}  // namespace kestrel
