// The command transport of the Linux command-line tool: one SCSI device node
// open at a time, every command one SG_IO request over the port.
//
//   LinuxSgPort port;
//   SgTransport transport(port);
//   transport.InitDriveAccess();
//   if (transport.OpenDevice("/dev/sr0") == 0) { ... operations ... }
#pragma once
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "drive/command_transport.h"
#include "transport/sg/sg_port.h"
#include "transport/sg/sg_result.h"

namespace kestrel::linux_sg {

// The right the kernel wanted when it refused a command.
enum class MissingRight { None, RawIo, WriteAccess };

// WRITE BUFFER and other commands outside the kernel's lists need
// CAP_SYS_RAWIO; SEND KEY is passed for a descriptor open for writing.
MissingRight RightFor(SgFailure failure, uint8_t opcode, bool openForWrite);

// Zero-filled buffers from calloc: fresh pages come zeroed from the kernel,
// so the megabyte of the image buffer is not touched before it is used.
struct FreeBuffer {
  void operator()(uint8_t* p) const { std::free(p); }
};
using ZeroedBuffer = std::unique_ptr<uint8_t[], FreeBuffer>;

class SgTransport final : public CommandTransport {
 public:
  explicit SgTransport(SgPort& port) : port_(port) {}
  ~SgTransport() override;
  SgTransport(const SgTransport&) = delete;
  SgTransport& operator=(const SgTransport&) = delete;

  int32_t InitDriveAccess() override;
  int32_t ReleaseDriveAccess() override;
  // 0 success, kSgFailure otherwise (LastOutcome says why).
  int32_t Execute(const ScsiCommand& command) override;
  // The request's length less the residual the kernel reported.
  uint32_t ReceivedLength() const override { return received_; }
  WorkBuffers& Buffers() override { return buffers_; }

  // Opens the device for reading and writing, or for reading alone when
  // writing is not allowed; closes a device still open first. 0 or the errno.
  int OpenDevice(const std::string& path);
  void CloseDevice();
  bool DeviceOpen() const { return fd_ >= 0; }
  bool OpenForWrite() const { return openForWrite_; }

  const SgOutcome& LastOutcome() const { return last_; }
  // Set by a command the kernel refused for a missing right; stays until
  // the next device is opened.
  MissingRight Refusal() const { return refusal_; }
  // The first command since the device was opened that failed on the way
  // (timed out, undelivered, the device gone) rather than by the drive's
  // answer, as "command 5Ah: the command timed out"; empty if none.
  const std::string& TransportFault() const { return fault_; }

 private:
  SgPort& port_;
  WorkBuffers buffers_;
  ZeroedBuffer data_, image_, small_;
  int fd_ = -1;
  bool openForWrite_ = false;
  SgOutcome last_;
  uint32_t received_ = 0;
  MissingRight refusal_ = MissingRight::None;
  std::string fault_;
  // The sense that came with the last CHECK CONDITION. The kernel fetched it
  // from the drive already, so a REQUEST SENSE right after is answered from
  // here: the drive itself would report no sense any more.
  uint8_t pendingSense_[kSenseBufferSize] = {};
  uint8_t pendingSenseLength_ = 0;
};

}  // namespace kestrel::linux_sg
