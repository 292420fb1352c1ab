// One builder per command descriptor block of the shared command set. Each
// sets the CDB length and direction explicitly, writes multi-byte fields
// big-endian, and fills in the pass-through timeout and automatic-sense length
// that the command needs. A command without data carries no data pointer; the
// pass-through transport supplies its own buffer for those.
#pragma once
#include <cstdint>
#include <optional>

#include "drive/command_transport.h"

namespace kestrel {

constexpr uint8_t kInquiryLength = 96;
constexpr uint8_t kAutoSenseLength = 18;
constexpr uint32_t kShortTimeoutSeconds = 2;     // INQUIRY, REQUEST SENSE, TEST UNIT READY
constexpr uint32_t kBufferTimeoutSeconds = 5;    // READ/WRITE BUFFER and the region commands
constexpr uint32_t kMaxBufferOffset = 0xFFFFFF;  // 24-bit offset field

// Operation codes of the shared command set.
namespace opcode {
constexpr uint8_t kTestUnitReady = 0x00;
constexpr uint8_t kRequestSense = 0x03;
constexpr uint8_t kInquiry = 0x12;
constexpr uint8_t kWriteBuffer = 0x3B;
constexpr uint8_t kReadBuffer = 0x3C;
}  // namespace opcode

// READ/WRITE BUFFER mode 01h: the maker's vendor-specific buffer ids.
constexpr uint8_t kBufferMode = 0x01;
constexpr uint8_t kPrepareDownloadId = 0x30;
constexpr uint8_t kFlashProgrammingId = 0x42;
constexpr uint8_t kReadBackId = 0x80;
constexpr uint8_t kDownloadBlockId = 0xFF;

// Big-endian field writers; the value must fit the field.
inline void PutU16BE(ScsiCommand& command, int at, uint16_t value) {
  command.cdb[at] = static_cast<uint8_t>(value >> 8);
  command.cdb[at + 1] = static_cast<uint8_t>(value);
}
inline void PutU24BE(ScsiCommand& command, int at, uint32_t value) {
  command.cdb[at] = static_cast<uint8_t>(value >> 16);
  command.cdb[at + 1] = static_cast<uint8_t>(value >> 8);
  command.cdb[at + 2] = static_cast<uint8_t>(value);
}

// INQUIRY, 96 bytes.
ScsiCommand BuildInquiry(uint8_t* destination);
// REQUEST SENSE with the program's allocation length (18 or 24).
ScsiCommand BuildRequestSense(uint8_t* destination, uint8_t allocationLength);
// TEST UNIT READY: no data; a pass-through request marks it data-in.
ScsiCommand BuildTestUnitReady();
// READ BUFFER / WRITE BUFFER mode 01h. Empty when the offset does not fit 24
// bits or a non-zero length comes without a buffer. A zero-length WRITE BUFFER
// carries no data and is marked data-out for a pass-through request.
std::optional<ScsiCommand> BuildReadBuffer(uint8_t bufferId, uint32_t offset, uint16_t length,
                                           uint8_t* destination);
std::optional<ScsiCommand> BuildWriteBuffer(uint8_t bufferId, uint32_t offset, uint16_t length,
                                            uint8_t* source);

}  // namespace kestrel
