#include "transport/passthrough/passthrough_transport.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>

#include "transport/passthrough/passthrough_result.h"

namespace kestrel {
namespace {

uint8_t DataInFor(const ScsiCommand& command) {
  switch (command.direction) {
    case DataDirection::In:
      return ntscsi::SCSI_IOCTL_DATA_IN;
    case DataDirection::Out:
      return ntscsi::SCSI_IOCTL_DATA_OUT;
    case DataDirection::None:
      break;
  }
  // A request always carries a direction; commands without data say which.
  return command.passThroughDataIn ? ntscsi::SCSI_IOCTL_DATA_IN : ntscsi::SCSI_IOCTL_DATA_OUT;
}

}  // namespace

PassThroughTransport::PassThroughTransport(PassThroughPort& port) : port_(port) {}

PassThroughTransport::~PassThroughTransport() {
  CloseDrive();
  ReleaseDriveAccess();
}

int32_t PassThroughTransport::InitDriveAccess() {
  ReleaseDriveAccess();
  address_.PathId = 0;
  address_.TargetId = 0;
  address_.Lun = 0;
  buffers_.data = port_.AllocateLocked(kDataBufferSize);
  if (buffers_.data == nullptr) return -1;
  buffers_.image = port_.AllocateLocked(kImageBufferSize);
  if (buffers_.image == nullptr) return -1;
  buffers_.small = port_.AllocateLocked(kSmallBufferSize);
  if (buffers_.small == nullptr) return -1;
  return 0;
}

int32_t PassThroughTransport::ReleaseDriveAccess() {
  auto release = [this](uint8_t*& block) {
    if (block != nullptr) port_.FreeLocked(block);
    block = nullptr;
  };
  release(buffers_.small);
  release(buffers_.image);
  release(buffers_.data);
  return 0;
}

int32_t PassThroughTransport::OpenDrive(char letter) {
  // Only one drive is open at a time: the one opened before is let go here
  // rather than leaked.
  CloseDrive();

  devicePath_.fill('\0');
  const char prefix[] = "\\\\.\\";
  std::memcpy(devicePath_.data(), prefix, 4);
  devicePath_[4] = letter;
  devicePath_[5] = ':';

  const PassThroughPort::Handle handle = port_.Open(std::string(devicePath_.data()));
  if (handle == PassThroughPort::kInvalid) return -1;

  capabilities_ = {};
  if (!port_.Control(handle, ntscsi::IOCTL_SCSI_GET_CAPABILITIES, nullptr, 0, &capabilities_,
                     sizeof capabilities_)) {
    port_.Close(handle);
    return -1;
  }
  ntscsi::SCSI_ADDRESS address{};
  if (!port_.Control(handle, ntscsi::IOCTL_SCSI_GET_ADDRESS, nullptr, 0, &address,
                     sizeof address)) {
    port_.Close(handle);
    return -1;
  }
  address_ = address;
  handle_ = handle;
  return 0;
}

int32_t PassThroughTransport::CloseDrive() {
  if (handle_ != PassThroughPort::kInvalid) port_.Close(handle_);
  handle_ = PassThroughPort::kInvalid;
  return 0;
}

int32_t PassThroughTransport::Execute(const ScsiCommand& command) {
  received_ = 0;
  if (handle_ == PassThroughPort::kInvalid || buffers_.small == nullptr) {
    return kPassThroughFailure;
  }
  if (!ValidCdbLength(command.cdbLength)) return kPassThroughFailure;
  if (command.transferLength != 0 && command.data == nullptr) return kPassThroughFailure;

  block_ = {};
  ntscsi::SCSI_PASS_THROUGH_DIRECT& sptd = block_.sptd;
  sptd.Length = sizeof(ntscsi::SCSI_PASS_THROUGH_DIRECT);
  sptd.PathId = address_.PathId;
  sptd.TargetId = address_.TargetId;
  sptd.Lun = address_.Lun;
  sptd.CdbLength = command.cdbLength;
  // The driver may write no more sense than the block has room for.
  sptd.SenseInfoLength =
      static_cast<uint8_t>(std::min<size_t>(command.autoSenseLength, sizeof block_.sense));
  sptd.DataIn = DataInFor(command);
  sptd.DataTransferLength = command.transferLength;
  sptd.TimeOutValue = command.timeoutSeconds;
  sptd.DataBuffer = command.transferLength != 0 ? command.data : buffers_.small;
  sptd.SenseInfoOffset = offsetof(ntscsi::PassThroughBlock, sense);
  std::memcpy(sptd.Cdb, command.cdb.data(), command.cdbLength);

  const bool called = port_.Control(handle_, ntscsi::IOCTL_SCSI_PASS_THROUGH_DIRECT, &block_,
                                    sizeof block_, &block_, sizeof block_);
  const PassThroughOutcome outcome = DecidePassThroughResult(called, sptd.ScsiStatus);
  if (outcome.copySense) {
    const size_t length =
        std::min<size_t>({sptd.SenseInfoLength, sizeof block_.sense, buffers_.sense.size()});
    std::memcpy(buffers_.sense.data(), block_.sense, length);
  }
  if (outcome.markCheckCondition) sptd.ScsiStatus = kScsiStatusCheckCondition;
  if (outcome.result == 0 && command.direction == DataDirection::In) {
    // The driver never moves more than was asked for; a count beyond it is not believed.
    received_ = std::min(sptd.DataTransferLength, command.transferLength);
  }
  return outcome.result;
}

}  // namespace kestrel
