#include "speed/speed_choices.h"

#include "drive/speed_commands.h"

namespace kestrel {
namespace {

constexpr uint16_t kChoiceSpeeds[speed_text::kSpeedChoiceCount] = {
    kMaximumReadSpeed, 704, 1408, 1760, 2112, 2816};

}  // namespace

const DriveMode kDriveModes[speed_text::kDriveModeCount] = {
    {kPermanentModeChange, kMaximumReadSpeed, speed_text::kPerformanceModeSet},
    {kTemporaryModeChange, kMaximumReadSpeed, speed_text::kPerformanceModeSet},
    {kPermanentModeChange, kQuietModeReadSpeed, speed_text::kQuietModeSet},
    {kTemporaryModeChange, kQuietModeReadSpeed, speed_text::kQuietModeSet},
};

int DriveModeIndex(const std::string& itemText, Language language) {
  for (size_t i = 0; i < speed_text::kDriveModeCount; ++i) {
    if (itemText == Pick(speed_text::kDriveModeLabels[i], language)) return static_cast<int>(i);
  }
  return static_cast<int>(speed_text::kDriveModeCount);
}

uint16_t SpeedChoice(int index) {
  if (index < 0 || static_cast<size_t>(index) >= speed_text::kSpeedChoiceCount) {
    return kMaximumReadSpeed;
  }
  return kChoiceSpeeds[index];
}

}  // namespace kestrel
