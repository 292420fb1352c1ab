// The speed utility's own commands: SET CD SPEED, MODE SENSE(10) of the CD
// capabilities page and START STOP UNIT, one builder and one sender each, and
// the decoding of the capabilities reply.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "drive/command_transport.h"
#include "drive/drive_context.h"

namespace kestrel {

namespace speed_opcode {
constexpr uint8_t kSetCdSpeed = 0xBB;
constexpr uint8_t kModeSense10 = 0x5A;
constexpr uint8_t kStartStopUnit = 0x1B;
}  // namespace speed_opcode

// SET CD SPEED byte 1: 00h an ordinary speed change; bit 0 asks for a drive
// mode change, bit 1 makes the new mode permanent.
constexpr uint8_t kSpeedChange = 0x00;
constexpr uint8_t kTemporaryModeChange = 0x01;
constexpr uint8_t kPermanentModeChange = 0x03;
// Read speed field: FFFFh the drive's maximum (in a mode change: performance
// mode); 0000h in a mode change: quiet mode.
constexpr uint16_t kMaximumReadSpeed = 0xFFFF;
constexpr uint16_t kQuietModeReadSpeed = 0x0000;

// MODE SENSE(10): no block descriptors, current values of page 2Ah.
constexpr uint8_t kDisableBlockDescriptors = 0x08;
constexpr uint8_t kCapabilitiesPageCode = 0x2A;
constexpr size_t kCapabilitiesReplyLength = 34;  // 8-byte header, page from byte 8
using CapabilitiesReply = std::array<uint8_t, kCapabilitiesReplyLength>;

// Pass-through timeouts: stopping the disc waits until it has stopped.
constexpr uint32_t kSetSpeedTimeoutSeconds = 5;
constexpr uint32_t kModeSenseTimeoutSeconds = 2;
constexpr uint32_t kStartStopTimeoutSeconds = 30;

ScsiCommand BuildSetCdSpeed(uint8_t modeByte, uint16_t readSpeed, uint16_t writeSpeed);
ScsiCommand BuildReadCapabilitiesPage(uint8_t* destination);
// Byte 4 is the low two bits of loadEjectStart (LoEj, Start) ORed with the
// upper four bits of powerCondition.
ScsiCommand BuildStartStopUnit(uint8_t byte1, uint8_t loadEjectStart, uint8_t powerCondition);

// Each returns the transport's result: 0 success, else its failure value.
int32_t SetCdSpeed(DriveContext& context, uint8_t modeByte, uint16_t readSpeed,
                   uint16_t writeSpeed);
// The reply is cleared first, so that a short reply leaves zeros, not the
// speeds of an earlier report. A reply that ends before the page's speed
// fields, or holds no page 2Ah where the page belongs, is kReplyTooShort and
// is cleared again.
int32_t ReadCapabilitiesPage(DriveContext& context, CapabilitiesReply& reply);
int32_t StartStopUnit(DriveContext& context, uint8_t byte1, uint8_t loadEjectStart,
                      uint8_t powerCondition);

// The fields of the capabilities reply that the utility reads. Speeds in
// kbytes/s.
struct CapabilitiesPage {
  uint8_t mediumType = 0;         // header byte 2; 40h-4Fh: DVD media
  uint16_t maximumReadSpeed = 0;  // page bytes 8-9
  uint16_t currentReadSpeed = 0;  // page bytes 14-15
  bool DvdMedium() const { return (mediumType >> 4) == 4; }
};
// The page follows the 8-byte header and the block descriptors (their length
// in header bytes 6-7). Nothing when the reply's `length` bytes end before
// the page's current read speed, or the page there is not 2Ah.
std::optional<CapabilitiesPage> DecodeCapabilitiesPage(const uint8_t* reply, size_t length);

}  // namespace kestrel
