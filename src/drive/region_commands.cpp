#include "drive/region_commands.h"

#include <cstring>

#include "drive/cdb_builders.h"

namespace kestrel {
namespace {

ScsiCommand TwelveByte(uint8_t opcode, DataDirection direction, uint8_t* data) {
  ScsiCommand command;
  command.cdb[0] = opcode;
  command.cdbLength = 12;
  command.direction = direction;
  command.passThroughDataIn = direction == DataDirection::In;
  command.data = data;
  command.transferLength = kRegionReplyLength;
  command.timeoutSeconds = kRegionTimeoutSeconds;
  command.autoSenseLength = kAutoSenseLength;
  return command;
}

// The data length (bytes 0-1) counts the bytes after itself: 6 or more
// reach the fields read from bytes 4-6.
constexpr uint16_t kRegionMinimumDataLength = kRegionReplyLength - 2;

int32_t ReadInto(DriveContext& context, const ScsiCommand& command, RegionReply& reply) {
  const int32_t result = ReceiveReply(context, command, kRegionReplyLength);
  if (result != 0) return result;
  const uint16_t dataLength = static_cast<uint16_t>(command.data[0] << 8 | command.data[1]);
  if (dataLength < kRegionMinimumDataLength) return kReplyTooShort;
  std::memcpy(reply.data(), command.data, reply.size());
  return 0;
}

}  // namespace

ScsiCommand BuildReportRpcState(uint8_t* destination) {
  ScsiCommand command = TwelveByte(kOpReportKey, DataDirection::In, destination);
  command.cdb[9] = kRegionReplyLength;  // allocation length, low byte
  command.cdb[10] = kKeyFormatRpcState;
  return command;
}

ScsiCommand BuildReadCopyrightInfo(uint8_t* destination) {
  ScsiCommand command = TwelveByte(kOpReadDvdStructure, DataDirection::In, destination);
  command.cdb[6] = 0;  // layer 0
  command.cdb[7] = kStructureCopyright;
  PutU16BE(command, 8, kRegionReplyLength);
  return command;
}

ScsiCommand BuildSendRpcStructure(uint8_t* parameterList) {
  ScsiCommand command = TwelveByte(kOpSendKey, DataDirection::Out, parameterList);
  command.cdb[9] = kRpcParameterLength;  // parameter list length, low byte
  command.cdb[10] = kKeyFormatSetRpc;
  return command;
}

RpcParameterList MakeRpcParameterList(uint8_t preferredRegionMask) {
  return {0x00, 0x06, 0x00, 0x00, preferredRegionMask, 0x00, 0x00, 0x00};
}

int32_t ReadRpcState(DriveContext& context, RegionReply& reply) {
  uint8_t* data = context.buffers().data;
  if (data == nullptr) return kCommandNotSent;
  return ReadInto(context, BuildReportRpcState(data), reply);
}

int32_t ReadDiscRegionInfo(DriveContext& context, RegionReply& reply) {
  uint8_t* data = context.buffers().data;
  if (data == nullptr) return kCommandNotSent;
  return ReadInto(context, BuildReadCopyrightInfo(data), reply);
}

int32_t SetDriveRegion(DriveContext& context, uint8_t preferredRegionMask) {
  uint8_t* data = context.buffers().data;
  if (data == nullptr) return kCommandNotSent;
  const RpcParameterList list = MakeRpcParameterList(preferredRegionMask);
  std::memcpy(data, list.data(), list.size());
  return context.transport.Execute(BuildSendRpcStructure(data));
}

}  // namespace kestrel
