#include "drive/cdb_builders.h"

namespace kestrel {
namespace {

ScsiCommand SixByte(uint8_t opcode) {
  ScsiCommand command;
  command.cdb[0] = opcode;
  command.cdbLength = 6;
  command.timeoutSeconds = kShortTimeoutSeconds;
  return command;
}

std::optional<ScsiCommand> BufferCommand(uint8_t opcode, DataDirection direction, uint8_t bufferId,
                                         uint32_t offset, uint16_t length, uint8_t* data) {
  if (offset > kMaxBufferOffset) return std::nullopt;
  if (length != 0 && data == nullptr) return std::nullopt;
  ScsiCommand command;
  command.cdb[0] = opcode;
  command.cdb[1] = kBufferMode;
  command.cdb[2] = bufferId;
  PutU24BE(command, 3, offset);
  PutU16BE(command, 7, length);
  command.cdbLength = 10;
  command.passThroughDataIn = direction == DataDirection::In;
  command.direction = length == 0 ? DataDirection::None : direction;
  command.data = length == 0 ? nullptr : data;
  command.transferLength = length;
  command.timeoutSeconds = kBufferTimeoutSeconds;
  command.autoSenseLength = 0;  // sense is fetched with REQUEST SENSE
  return command;
}

}  // namespace

ScsiCommand BuildInquiry(uint8_t* destination) {
  ScsiCommand command = SixByte(opcode::kInquiry);
  command.cdb[4] = kInquiryLength;
  command.direction = DataDirection::In;
  command.passThroughDataIn = true;
  command.data = destination;
  command.transferLength = kInquiryLength;
  command.autoSenseLength = kAutoSenseLength;
  return command;
}

ScsiCommand BuildRequestSense(uint8_t* destination, uint8_t allocationLength) {
  ScsiCommand command = SixByte(opcode::kRequestSense);
  command.cdb[4] = allocationLength;
  command.direction = DataDirection::In;
  command.passThroughDataIn = true;
  command.data = destination;
  command.transferLength = allocationLength;
  command.autoSenseLength = 0;
  return command;
}

ScsiCommand BuildTestUnitReady() {
  ScsiCommand command = SixByte(opcode::kTestUnitReady);
  command.direction = DataDirection::None;
  command.passThroughDataIn = true;
  command.autoSenseLength = kAutoSenseLength;
  return command;
}

std::optional<ScsiCommand> BuildReadBuffer(uint8_t bufferId, uint32_t offset, uint16_t length,
                                           uint8_t* destination) {
  return BufferCommand(opcode::kReadBuffer, DataDirection::In, bufferId, offset, length,
                       destination);
}

std::optional<ScsiCommand> BuildWriteBuffer(uint8_t bufferId, uint32_t offset, uint16_t length,
                                            uint8_t* source) {
  return BufferCommand(opcode::kWriteBuffer, DataDirection::Out, bufferId, offset, length, source);
}

}  // namespace kestrel
