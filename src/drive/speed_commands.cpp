#include "drive/speed_commands.h"

#include "drive/byte_reader.h"
#include "drive/cdb_builders.h"

namespace kestrel {
namespace {

constexpr size_t kMediumTypeOffset = 2;
constexpr size_t kMaximumReadSpeedOffset = 16;
constexpr size_t kCurrentReadSpeedOffset = 22;

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
  reply.fill(0);
  return context.transport.Execute(BuildReadCapabilitiesPage(reply.data()));
}

int32_t StartStopUnit(DriveContext& context, uint8_t byte1, uint8_t loadEjectStart,
                      uint8_t powerCondition) {
  return context.transport.Execute(BuildStartStopUnit(byte1, loadEjectStart, powerCondition));
}

CapabilitiesPage DecodeCapabilitiesPage(const uint8_t* reply, size_t length) {
  ByteReader reader(reply, length);
  CapabilitiesPage page;
  page.mediumType = reader.U8(kMediumTypeOffset);
  page.maximumReadSpeed = reader.U16BE(kMaximumReadSpeedOffset);
  page.currentReadSpeed = reader.U16BE(kCurrentReadSpeedOffset);
  return page;
}

}  // namespace kestrel
