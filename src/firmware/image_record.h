// What the firmware utility knows about the image in ImageBuffer.
#pragma once
#include <array>
#include <cstdint>

namespace kestrel {

struct ImageRecord {
  // The identification record found in the image, date at byte 29.
  std::array<uint8_t, 88> fileIdentification{};
  uint32_t imageBase = 0;  // the part sent and compared: 0 or 0x20000
  // From the signature block: the firmware id before it and the CPU names.
  std::array<uint8_t, 16> imageFirmwareId{};
  std::array<uint8_t, 16> imageCpuName{};
  std::array<uint8_t, 16> imageSecondCpuName{};
  // The last file chosen in the dialog did not load to its end: ImageBuffer
  // still holds an earlier file, which must not be sent in its place.
  bool imageLoadFailed = false;
};

}  // namespace kestrel
