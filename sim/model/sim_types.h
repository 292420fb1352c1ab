// Basic values shared by the simulated drive, its bus and its front ends.
#pragma once
#include <cstdint>
#include <limits>

namespace kestrel::sim {

constexpr uint64_t kNever = std::numeric_limits<uint64_t>::max();

enum class ScsiStatus : uint8_t { Good = 0x00, CheckCondition = 0x02 };

// Fixed-format sense: key, additional sense code and qualifier.
struct Sense {
  uint8_t key = 0;
  uint8_t asc = 0;
  uint8_t ascq = 0;
  bool operator==(const Sense& o) const { return key == o.key && asc == o.asc && ascq == o.ascq; }
  bool operator!=(const Sense& o) const { return !(*this == o); }
};

constexpr Sense kNoSense{0x00, 0x00, 0x00};
constexpr Sense kInvalidOpcode{0x05, 0x20, 0x00};
constexpr Sense kInvalidField{0x05, 0x24, 0x00};
constexpr Sense kSequenceError{0x05, 0x2C, 0x00};
constexpr Sense kMediumChanged{0x06, 0x28, 0x00};
constexpr Sense kBecomingReady{0x02, 0x04, 0x01};
constexpr Sense kOperationInProgress{0x02, 0x04, 0x07};
constexpr Sense kNoMedium{0x02, 0x3A, 0x00};
constexpr Sense kHardwareError{0x04, 0x44, 0x00};
constexpr Sense kLbaOutOfRange{0x05, 0x21, 0x00};

// One millisecond clock shared by every device of a bus. The owner moves it:
// tests by hand, the DLL from the real time.
class Clock {
 public:
  uint64_t NowMs() const { return nowMs_; }
  void AdvanceMs(uint64_t ms) { nowMs_ += ms; }
  void SetNowMs(uint64_t ms) { nowMs_ = ms; }

 private:
  uint64_t nowMs_ = 0;
};

// Opcodes the model knows.
namespace op {
constexpr uint8_t kTestUnitReady = 0x00;
constexpr uint8_t kRequestSense = 0x03;
constexpr uint8_t kInquiry = 0x12;
constexpr uint8_t kWriteBuffer = 0x3B;
constexpr uint8_t kReadBuffer = 0x3C;
// What a host's own CD/DVD driver sends (drive_mmc.cpp).
constexpr uint8_t kPreventAllow = 0x1E;
constexpr uint8_t kReadCapacity = 0x25;
constexpr uint8_t kRead10 = 0x28;
constexpr uint8_t kReadToc = 0x43;
constexpr uint8_t kGetConfiguration = 0x46;
constexpr uint8_t kGetEventStatus = 0x4A;
constexpr uint8_t kReadDiscInformation = 0x51;
constexpr uint8_t kReadTrackInformation = 0x52;
}  // namespace op

// READ/WRITE BUFFER ids of the maker's firmware commands.
namespace buffer_id {
constexpr uint8_t kPrepare = 0x30;
constexpr uint8_t kProgram = 0x42;
constexpr uint8_t kFlash = 0x80;
constexpr uint8_t kDownload = 0xFF;
}  // namespace buffer_id

}  // namespace kestrel::sim
