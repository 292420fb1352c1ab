#include "transport/sg/sg_transport.h"

#include <errno.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

namespace kestrel::linux_sg {
namespace {

constexpr uint8_t kRequestSense = 0x03;
constexpr uint8_t kSendKey = 0xA3;
constexpr unsigned kDefaultTimeoutMs = 60000;

ZeroedBuffer Zeroed(size_t size) {
  ZeroedBuffer buffer(static_cast<uint8_t*>(std::calloc(size, 1)));
  if (!buffer) throw std::bad_alloc();
  return buffer;
}

}  // namespace

MissingRight RightFor(SgFailure failure, uint8_t opcode, bool openForWrite) {
  if (failure != SgFailure::NotPermitted && failure != SgFailure::AccessDenied) {
    return MissingRight::None;
  }
  if (opcode == kSendKey && !openForWrite) return MissingRight::WriteAccess;
  return MissingRight::RawIo;
}

SgTransport::~SgTransport() { ReleaseDriveAccess(); }

int32_t SgTransport::InitDriveAccess() {
  data_ = Zeroed(kDataBufferSize);
  image_ = Zeroed(kImageBufferSize);
  small_ = Zeroed(kSmallBufferSize);
  buffers_.data = data_.get();
  buffers_.image = image_.get();
  buffers_.small = small_.get();
  buffers_.sense.fill(0);
  return 0;
}

int32_t SgTransport::ReleaseDriveAccess() {
  CloseDevice();
  buffers_ = WorkBuffers{};
  small_.reset();
  image_.reset();
  data_.reset();
  return 0;
}

int SgTransport::OpenDevice(const std::string& path) {
  CloseDevice();
  refusal_ = MissingRight::None;
  fault_.clear();
  pendingSenseLength_ = 0;
  int error = 0;
  fd_ = port_.Open(path, true, error);
  openForWrite_ = fd_ >= 0;
  if (fd_ < 0 && (error == EACCES || error == EROFS || error == EPERM)) {
    // Reading commands still work; the kernel says later what needs more.
    fd_ = port_.Open(path, false, error);
  }
  return fd_ >= 0 ? 0 : error;
}

void SgTransport::CloseDevice() {
  if (fd_ >= 0) port_.Close(fd_);
  fd_ = -1;
  openForWrite_ = false;
}

int32_t SgTransport::Execute(const ScsiCommand& command) {
  last_ = SgOutcome{};
  received_ = 0;
  const uint8_t opcode = command.cdb[0];
  if (opcode == kRequestSense && pendingSenseLength_ > 0 && command.data != nullptr) {
    const size_t n = std::min<size_t>(command.transferLength, sizeof pendingSense_);
    std::memcpy(command.data, pendingSense_, n);
    last_.transferred = static_cast<uint32_t>(n);
    received_ = last_.transferred;
    pendingSenseLength_ = 0;
    return 0;
  }
  pendingSenseLength_ = 0;
  if (fd_ < 0 || (command.transferLength != 0 && command.data == nullptr) ||
      !ValidCdbLength(command.cdbLength)) {
    last_.result = kSgFailure;
    last_.failure = SgFailure::CallFailed;
    return kSgFailure;
  }

  uint8_t cdb[16] = {};
  std::memcpy(cdb, command.cdb.data(), command.cdbLength);
  uint8_t sense[kSenseBufferSize] = {};
  sg_io_hdr_t header{};
  header.interface_id = 'S';
  header.cmd_len = command.cdbLength;
  header.cmdp = cdb;
  header.mx_sb_len = sizeof sense;
  header.sbp = sense;
  header.dxfer_len = command.transferLength;
  header.dxferp = command.transferLength != 0 ? command.data : nullptr;
  if (command.transferLength == 0 || command.direction == DataDirection::None) {
    header.dxfer_direction = SG_DXFER_NONE;
    header.dxfer_len = 0;
    header.dxferp = nullptr;
  } else {
    header.dxfer_direction =
        command.direction == DataDirection::In ? SG_DXFER_FROM_DEV : SG_DXFER_TO_DEV;
  }
  header.timeout = command.timeoutSeconds != 0 ? command.timeoutSeconds * 1000u : kDefaultTimeoutMs;

  last_ = DecideSgResult(port_.Io(fd_, header), header);
  if (header.dxfer_direction == SG_DXFER_FROM_DEV) received_ = last_.transferred;
  if (last_.failure == SgFailure::CheckCondition && last_.senseLength > 0) {
    const size_t n = std::min<size_t>(last_.senseLength, buffers_.sense.size());
    std::memcpy(buffers_.sense.data(), sense, n);
    std::memcpy(pendingSense_, sense, n);
    pendingSenseLength_ = static_cast<uint8_t>(n);
  }
  if (last_.result != 0 && last_.senseLength == 0) {
    // No sense came with this failure: none of an earlier one may stand for it.
    buffers_.sense.fill(0);
  }
  const MissingRight right = RightFor(last_.failure, opcode, openForWrite_);
  if (right != MissingRight::None) refusal_ = right;
  const bool onTheWay = last_.failure == SgFailure::TimedOut ||
                        last_.failure == SgFailure::HostError ||
                        last_.failure == SgFailure::DriverError ||
                        last_.failure == SgFailure::DeviceGone ||
                        last_.failure == SgFailure::CallFailed;
  if (onTheWay && fault_.empty()) {
    char code[8];
    std::snprintf(code, sizeof code, "%02Xh", opcode);
    fault_ = std::string("command ") + code + ": " + SgFailureText(last_.failure);
    if (last_.osError != 0) fault_ += std::string(" (") + std::strerror(last_.osError) + ")";
  }
  return last_.result;
}

}  // namespace kestrel::linux_sg
