#include "drive/command_set.h"

#include <algorithm>
#include <cstring>

#include "drive/cdb_builders.h"

namespace kestrel {
namespace {

int32_t Send(DriveContext& context, const std::optional<ScsiCommand>& command) {
  if (!command) return kCommandNotSent;
  return context.transport.Execute(*command);
}

}  // namespace

int32_t ReceiveReply(DriveContext& context, const ScsiCommand& command, uint32_t needed) {
  if (command.data != nullptr) std::memset(command.data, 0, command.transferLength);
  const int32_t result = context.transport.Execute(command);
  if (result != 0) return result;
  return context.transport.ReceivedLength() < needed ? kReplyTooShort : 0;
}

int32_t SendInquiry(DriveContext& context) {
  uint8_t* data = context.buffers().data;
  // InitDriveAccess's result is not examined at start-up, so the buffer may
  // be missing; then nothing is asked.
  if (data == nullptr) return kCommandNotSent;
  return ReceiveReply(context, BuildInquiry(data), kInquiryMinimumLength);
}

int32_t SendRequestSense(DriveContext& context) {
  auto& sense = context.buffers().sense;
  sense.fill(0);
  const uint8_t length =
      static_cast<uint8_t>(std::min<size_t>(context.profile.requestSenseLength, sense.size()));
  return context.transport.Execute(BuildRequestSense(sense.data(), length));
}

int32_t SendTestUnitReady(DriveContext& context) {
  return context.transport.Execute(BuildTestUnitReady());
}

int32_t ReadDriveBuffer(DriveContext& context, uint8_t bufferId, uint32_t offset, uint16_t length,
                        uint8_t* destination) {
  auto command = BuildReadBuffer(bufferId, offset, length, destination);
  if (!command) return kCommandNotSent;
  return ReceiveReply(context, *command, 0);
}

int32_t ReadDriveBufferToCompare(DriveContext& context, uint8_t bufferId, uint32_t offset,
                                 uint16_t length, uint8_t* destination, const uint8_t* expected) {
  auto command = BuildReadBuffer(bufferId, offset, length, destination);
  if (!command) return kCommandNotSent;
  for (uint16_t i = 0; i < length; ++i) destination[i] = static_cast<uint8_t>(~expected[i]);
  return Send(context, command);
}

int32_t WriteDriveBuffer(DriveContext& context, uint8_t bufferId, uint32_t offset, uint16_t length,
                         uint8_t* source) {
  return Send(context, BuildWriteBuffer(bufferId, offset, length, source));
}

int32_t PrepareDownload(DriveContext& context) {
  return WriteDriveBuffer(context, kPrepareDownloadId, 0, 0, nullptr);
}

ScsiCommand FlashProgrammingCommand(DriveContext&) {
  // Offset 0 and length 0 always fit, so the builder cannot refuse.
  return *BuildWriteBuffer(kFlashProgrammingId, 0, 0, nullptr);
}

int32_t StartFlashProgramming(DriveContext& context) {
  return context.transport.Execute(FlashProgrammingCommand(context));
}

}  // namespace kestrel
