// The one-command-at-a-time drive interface shared by every utility.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

namespace kestrel {

enum class DataDirection : uint8_t { None, In, Out };

// Sizes of the process-wide work buffers.
constexpr uint32_t kDataBufferSize = 0x50000;
constexpr uint32_t kImageBufferSize = 0x140000;
constexpr uint32_t kSmallBufferSize = 512;
constexpr uint32_t kSenseBufferSize = 32;

// Buffers allocated by InitDriveAccess and freed by ReleaseDriveAccess. A null
// pointer means "not obtained".
struct WorkBuffers {
  uint8_t* data = nullptr;   // DataBuffer: replies, HEX parsing, read-back
  uint8_t* image = nullptr;  // ImageBuffer: the firmware image
  uint8_t* small = nullptr;  // SmallBuffer: data pointer of zero-length pass-through commands
  std::array<uint8_t, kSenseBufferSize> sense{};  // SenseBuffer
};

// One CDB with everything both transports need. A transport ignores the fields
// that it has no use for (ASPI: timeout and automatic sense).
struct ScsiCommand {
  std::array<uint8_t, 12> cdb{};
  uint8_t cdbLength = 6;              // 6, 10 or 12
  DataDirection direction = DataDirection::None;
  // Pass-through requests always carry a direction; commands that move no
  // data are marked data-in (TEST UNIT READY) or data-out (WRITE BUFFER).
  bool passThroughDataIn = true;
  uint8_t* data = nullptr;            // null when transferLength is 0
  uint32_t transferLength = 0;
  uint32_t timeoutSeconds = 2;        // pass-through only
  uint8_t autoSenseLength = 0;        // pass-through only: 0 or 18
};

// The CDB lengths every transport sends; a command of any other length is
// refused before it reaches the drive.
constexpr bool ValidCdbLength(uint8_t length) {
  return length == 6 || length == 10 || length == 12;
}

class CommandTransport {
 public:
  virtual ~CommandTransport() = default;
  // ASPI: 0, -1 buffer, 1 no library, 2 init failed, 3 no adapter.
  // Pass-through: 0 or -1.
  virtual int32_t InitDriveAccess() = 0;
  virtual int32_t ReleaseDriveAccess() = 0;
  // 0 success; the transport's failure value otherwise (ASPI -1, pass-through 2).
  virtual int32_t Execute(const ScsiCommand& command) = 0;
  // Data-in bytes that the last Execute received, as far as the transport
  // learns it; 0 after a failure and for commands without data in. ASPI is
  // never told and reports the whole transfer length, so the command set
  // clears every destination before it asks.
  virtual uint32_t ReceivedLength() const = 0;
  virtual WorkBuffers& Buffers() = 0;
};

// ASPI addressing: host adapters and target ids, inventory taken at start-up.
struct AspiAddress {
  uint8_t adapter = 0;
  uint8_t target = 0;
};

class AdapterBus {
 public:
  virtual ~AdapterBus() = default;
  virtual uint8_t AdapterCount() const = 0;
  // The 16 identifier bytes of adapter i (not terminated).
  virtual std::array<char, 16> AdapterIdentifier(uint8_t adapter) const = 0;
  virtual bool IntelataPresent() const = 0;
  virtual void SelectDrive(AspiAddress address) = 0;  // sets CurrentAddress
  virtual AspiAddress CurrentAddress() const = 0;
};

// ASPI requests that are started and then polled (flash programming).
class AsyncCommands {
 public:
  virtual ~AsyncCommands() = default;
  virtual void Submit(const ScsiCommand& command) = 0;
  // 1 still running; 0 completed without error; -1 completed with error.
  virtual int32_t Poll() = 0;
  virtual int32_t PingAdapter() = 0;
};

// Pass-through addressing: one drive letter open at a time.
class DriveLetterAccess {
 public:
  virtual ~DriveLetterAccess() = default;
  virtual int32_t OpenDrive(char letter) = 0;  // 0 open and addressed; -1 failure
  virtual int32_t CloseDrive() = 0;            // 0
};

}  // namespace kestrel
