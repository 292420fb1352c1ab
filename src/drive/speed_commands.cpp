#include "drive/speed_commands.h"

#include "drive/byte_reader.h"
#include "drive/cdb_builders.h"
#include "drive/command_set.h"

namespace kestrel {
namespace {

constexpr size_t kHeaderLength = 8;
constexpr size_t kMediumTypeOffset = 2;
constexpr size_t kBlockDescriptorLengthOffset = 6;
constexpr uint8_t kPageCodeMask = 0x3F;  // bits 7-6 are the PS and SPF flags
// Offsets inside the page.
constexpr size_t kMaximumReadSpeedOffset = 8;
constexpr size_t kCurrentReadSpeedOffset = 14;
constexpr size_t kPageBytesRead = kCurrentReadSpeedOffset + 2;

}  // namespace

ScsiCommand BuildSetCdSpeed(uint8_t modeByte, uint16_t readSpeed, uint16_t writeSpeed) {
  ScsiCommand command;
  command.cdb[0] = speed_opcode::kSetCdSpeed;
  command.cdb[1] = modeByte;
  PutU16BE(command, 2, readSpeed);
  PutU16BE(command, 4, writeSpeed);
  command.cdbLength = 12;
  command.direction = DataDirection::None;
  command.passThroughDataIn = true;
  command.timeoutSeconds = kSetSpeedTimeoutSeconds;
  command.autoSenseLength = 0;  // sense is fetched with REQUEST SENSE
  return command;
}

ScsiCommand BuildReadCapabilitiesPage(uint8_t* destination) {
  ScsiCommand command;
  command.cdb[0] = speed_opcode::kModeSense10;
  command.cdb[1] = kDisableBlockDescriptors;
  command.cdb[2] = kCapabilitiesPageCode;  // page control 00b: current values
  PutU16BE(command, 7, kCapabilitiesReplyLength);
  command.cdbLength = 10;
  command.direction = DataDirection::In;
  command.passThroughDataIn = true;
  command.data = destination;
  command.transferLength = kCapabilitiesReplyLength;
  command.timeoutSeconds = kModeSenseTimeoutSeconds;
  command.autoSenseLength = 0;
  return command;
}

ScsiCommand BuildStartStopUnit(uint8_t byte1, uint8_t loadEjectStart, uint8_t powerCondition) {
  ScsiCommand command;
  command.cdb[0] = speed_opcode::kStartStopUnit;
  command.cdb[1] = byte1;
  command.cdb[4] = static_cast<uint8_t>((loadEjectStart & 0x03) | (powerCondition & 0xF0));
  command.cdbLength = 6;
  command.direction = DataDirection::None;
  command.passThroughDataIn = true;
  command.timeoutSeconds = kStartStopTimeoutSeconds;
  command.autoSenseLength = 0;
  return command;
}

int32_t SetCdSpeed(DriveContext& context, uint8_t modeByte, uint16_t readSpeed,
                   uint16_t writeSpeed) {
  return context.transport.Execute(BuildSetCdSpeed(modeByte, readSpeed, writeSpeed));
}

int32_t ReadCapabilitiesPage(DriveContext& context, CapabilitiesReply& reply) {
  const int32_t result = ReceiveReply(context, BuildReadCapabilitiesPage(reply.data()), 0);
  if (result != 0) return result;
  if (DecodeCapabilitiesPage(reply.data(), context.transport.ReceivedLength())) return 0;
  reply.fill(0);
  return kReplyTooShort;
}

int32_t StartStopUnit(DriveContext& context, uint8_t byte1, uint8_t loadEjectStart,
                      uint8_t powerCondition) {
  return context.transport.Execute(BuildStartStopUnit(byte1, loadEjectStart, powerCondition));
}

std::optional<CapabilitiesPage> DecodeCapabilitiesPage(const uint8_t* reply, size_t length) {
  ByteReader reader(reply, length);
  const size_t pageAt = kHeaderLength + reader.U16BE(kBlockDescriptorLengthOffset);
  if (!reader.Has(pageAt, kPageBytesRead)) return std::nullopt;
  if ((reader.U8(pageAt) & kPageCodeMask) != kCapabilitiesPageCode) return std::nullopt;
  CapabilitiesPage page;
  page.mediumType = reader.U8(kMediumTypeOffset);
  page.maximumReadSpeed = reader.U16BE(pageAt + kMaximumReadSpeedOffset);
  page.currentReadSpeed = reader.U16BE(pageAt + kCurrentReadSpeedOffset);
  return page;
}

}  // namespace kestrel
