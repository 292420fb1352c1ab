// The command transport of the 2000/XP builds: a drive letter's device is
// opened and every command goes to it as one SCSI pass-through request with
// direct data transfer.
#pragma once
#include <array>
#include <cstdint>

#include "drive/command_transport.h"
#include "transport/passthrough/passthrough_defs.h"
#include "transport/passthrough/passthrough_port.h"

namespace kestrel {

class PassThroughTransport : public CommandTransport, public DriveLetterAccess {
 public:
  static constexpr size_t kDevicePathSize = 256;

  // The port must outlive the transport.
  explicit PassThroughTransport(PassThroughPort& port);
  ~PassThroughTransport() override;
  PassThroughTransport(const PassThroughTransport&) = delete;
  PassThroughTransport& operator=(const PassThroughTransport&) = delete;

  // CommandTransport
  int32_t InitDriveAccess() override;
  int32_t ReleaseDriveAccess() override;
  // 0 success, 2 failure (kPassThroughFailure).
  int32_t Execute(const ScsiCommand& command) override;
  // DataTransferLength as the driver wrote it back.
  uint32_t ReceivedLength() const override { return received_; }
  WorkBuffers& Buffers() override { return buffers_; }

  // DriveLetterAccess. OpenDrive closes a drive that is still open first.
  int32_t OpenDrive(char letter) override;
  int32_t CloseDrive() override;

  bool DriveOpen() const { return handle_ != PassThroughPort::kInvalid; }
  // The SCSI address of the open drive (CurrentAddress of this build).
  const ntscsi::SCSI_ADDRESS& Address() const { return address_; }
  // The request block as the last request left it.
  const ntscsi::PassThroughBlock& LastRequest() const { return block_; }

 private:
  PassThroughPort& port_;
  WorkBuffers buffers_;
  PassThroughPort::Handle handle_ = PassThroughPort::kInvalid;
  std::array<char, kDevicePathSize> devicePath_{};
  ntscsi::SCSI_ADDRESS address_{};
  ntscsi::IO_SCSI_CAPABILITIES capabilities_{};
  ntscsi::PassThroughBlock block_{};
  uint32_t received_ = 0;
};

}  // namespace kestrel
