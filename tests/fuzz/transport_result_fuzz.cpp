// libFuzzer target: the result rules of the three transports. Each transport
// runs a few commands over a port whose every answer (call result, SCSI
// status, host and driver status, sense length and bytes, residual or
// transfer count, data) comes from the fuzzer's input. Byte 0 chooses the
// transport. A result is success or the transport's failure value, never
// reports more data than was asked for, and no port answer makes the
// transport write outside its buffers.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "drive/command_transport.h"
#include "tests/fuzz/fuzz_input.h"
#include "transport/aspi/aspi_defs.h"
#include "transport/aspi/aspi_port.h"
#include "transport/aspi/aspi_result.h"
#include "transport/aspi/aspi_transport.h"
#include "transport/passthrough/passthrough_defs.h"
#include "transport/passthrough/passthrough_port.h"
#include "transport/passthrough/passthrough_result.h"
#include "transport/passthrough/passthrough_transport.h"
#include "transport/sg/sg_port.h"
#include "transport/sg/sg_result.h"
#include "transport/sg/sg_transport.h"

namespace {

using namespace kestrel;
using fuzz::FuzzInput;
using fuzz::Require;

// Exactly sized, so that AddressSanitizer sees a write past the end.
struct Block {
  explicit Block(size_t size) : bytes(new uint8_t[size == 0 ? 1 : size]()), size(size) {}
  std::unique_ptr<uint8_t[]> bytes;
  size_t size;
};

class FuzzSgPort final : public linux_sg::SgPort {
 public:
  void Answer(const FuzzInput& in) { in_ = in; }
  FuzzInput& Input() { return in_; }
  int Open(const std::string&, bool, int& error) override {
    error = in_.Bit() ? ENOENT : 0;
    return error == 0 ? 3 : -1;
  }
  int Io(int, sg_io_hdr_t& header) override {
    if (in_.Bit()) return in_.Bit() ? EPERM : EIO;
    if (header.dxfer_direction == SG_DXFER_FROM_DEV) {
      in_.Take(static_cast<uint8_t*>(header.dxferp), in_.UpTo(header.dxfer_len));
    }
    header.status = in_.Byte();
    header.host_status = in_.U16();
    header.driver_status = in_.U16();
    header.sb_len_wr = in_.Byte();
    // The kernel writes at most mx_sb_len sense bytes, whatever it reports.
    in_.Take(header.sbp, header.sb_len_wr < header.mx_sb_len ? header.sb_len_wr : header.mx_sb_len);
    header.resid = static_cast<int>(static_cast<int16_t>(in_.U16()));
    return 0;
  }
  void Close(int) override {}
  bool HasRawIo() override { return in_.Bit(); }

 private:
  FuzzInput in_{nullptr, 0};
};

class FuzzPassThroughPort final : public PassThroughPort {
 public:
  void Answer(const FuzzInput& in) { in_ = in; }
  FuzzInput& Input() { return in_; }
  Handle Open(const std::string&) override { return in_.Bit() ? kInvalid : 5; }
  bool Control(Handle, uint32_t code, void* in, uint32_t, void* out, uint32_t outBytes) override {
    if (code == ntscsi::IOCTL_SCSI_PASS_THROUGH_DIRECT) {
      auto* block = static_cast<ntscsi::PassThroughBlock*>(in);
      auto& request = block->sptd;
      const uint32_t asked = request.DataTransferLength;
      if (request.DataIn == ntscsi::SCSI_IOCTL_DATA_IN && request.DataBuffer != nullptr) {
        in_.Take(static_cast<uint8_t*>(request.DataBuffer), in_.UpTo(asked));
      }
      request.ScsiStatus = in_.Byte();
      // A driver may write back any count; the sense area is the block's own.
      request.DataTransferLength = in_.Bit() ? asked : in_.U16();
      request.SenseInfoLength = in_.Byte();
      in_.Take(block->sense, sizeof block->sense);
    } else if (out != nullptr) {
      in_.Take(static_cast<uint8_t*>(out), outBytes);
    }
    return !in_.Bit();
  }
  void Close(Handle) override {}
  uint8_t* AllocateLocked(size_t bytes) override { return new uint8_t[bytes](); }
  void FreeLocked(uint8_t* block) override { delete[] block; }

 private:
  FuzzInput in_{nullptr, 0};
};

class FuzzAspiPort final : public AspiPort {
 public:
  void Answer(const FuzzInput& in) { in_ = in; }
  FuzzInput& Input() { return in_; }
  bool LoadManager() override { return true; }
  uint32_t GetASPI32SupportInfo() override { return 0x0100 | (in_.Byte() & 3); }
  uint32_t SendASPI32Command(void* srb) override {
    auto* header = static_cast<aspi::SRB_Header*>(srb);
    if (header->SRB_Cmd == aspi::SC_HA_INQUIRY) {
      auto* inquiry = static_cast<aspi::SRB_HAInquiry*>(srb);
      in_.Take(inquiry->HA_Identifier, sizeof inquiry->HA_Identifier);
      inquiry->HA_Count = in_.Byte();
    }
    if (header->SRB_Cmd == aspi::SC_EXEC_SCSI_CMD) {
      current_ = static_cast<aspi::SRB_ExecSCSICmd*>(srb);
      if ((current_->SRB_Flags & aspi::SRB_DIR_IN) && current_->SRB_BufPointer != nullptr) {
        in_.Take(current_->SRB_BufPointer, in_.UpTo(current_->SRB_BufLen));
      }
      Finish();
    }
    header->SRB_Status = in_.Byte();
    return header->SRB_Status;
  }
  void* CreateCompletionEvent() override { return in_.Bit() ? nullptr : this; }
  bool WaitForEvent(void*, uint32_t) override {
    if (current_ != nullptr) Finish();
    return !in_.Bit();
  }
  void CloseEvent(void*) override {}
  uint8_t* AllocateLocked(size_t bytes) override { return new uint8_t[bytes](); }
  void FreeLocked(uint8_t* block) override { delete[] block; }

 private:
  void Finish() {
    current_->SRB_HaStat = in_.Byte();
    current_->SRB_TargStat = in_.Byte();
    in_.Take(current_->SenseArea, sizeof current_->SenseArea);
  }
  FuzzInput in_{nullptr, 0};
  aspi::SRB_ExecSCSICmd* current_ = nullptr;
};

// A command of the fuzzer's choosing into an exactly sized block.
void RunCommands(FuzzInput& in, CommandTransport& transport, int32_t failure) {
  for (int i = 0; i < 4 && !in.Empty(); ++i) {
    const uint8_t shape = in.Byte();
    Block data(in.U16() % 300);
    ScsiCommand command;
    command.cdb[0] = in.Byte();
    command.cdbLength = (shape & 3) == 0 ? 6 : (shape & 3) == 1 ? 10 : 12;
    command.direction = (shape & 4) ? DataDirection::In : DataDirection::Out;
    command.passThroughDataIn = (shape & 8) != 0;
    command.autoSenseLength = (shape & 16) ? 18 : 0;
    command.transferLength = static_cast<uint32_t>(data.size);
    command.data = data.size != 0 ? data.bytes.get() : nullptr;
    if ((shape & 32) && command.data == nullptr) command.direction = DataDirection::None;
    // REQUEST SENSE is data-in wherever it is built.
    if (command.cdb[0] == 0x03 && command.data != nullptr) command.direction = DataDirection::In;
    const int32_t result = transport.Execute(command);
    Require(result == 0 || result == failure, "a result that is neither success nor failure");
    Require(transport.ReceivedLength() <= command.transferLength, "more received than asked for");
    if (result != 0) Require(transport.ReceivedLength() == 0, "data received by a failed command");
    if (command.direction != DataDirection::In) {
      Require(transport.ReceivedLength() == 0, "data received by a command without data in");
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* input, size_t size) {
  FuzzInput in(input, size);
  // The transports and their work buffers are made once: allocating them for
  // every input would cost more than the run. Each input answers afresh.
  switch (in.Byte() % 4) {
    case 0: {
      static FuzzSgPort port;
      static linux_sg::SgTransport transport(port);
      static const int32_t init = transport.InitDriveAccess();
      port.Answer(in);
      if (init != 0 || transport.OpenDevice("/dev/sg0") != 0) return 0;
      RunCommands(port.Input(), transport, linux_sg::kSgFailure);
      break;
    }
    case 1: {
      static FuzzPassThroughPort port;
      static PassThroughTransport transport(port);
      static const int32_t init = transport.InitDriveAccess();
      port.Answer(in);
      if (init != 0 || transport.OpenDrive('E') != 0) return 0;
      RunCommands(port.Input(), transport, kPassThroughFailure);
      break;
    }
    case 2: {
      // The adapter inventory is taken at start-up, from the first input.
      static FuzzAspiPort port;
      port.Answer(in);
      static AspiTransport transport(port);
      static const int32_t init = transport.InitDriveAccess();
      if (init != 0) return 0;
      FuzzInput& answers = port.Input();
      transport.SelectDrive({answers.Byte(), answers.Byte()});
      RunCommands(answers, transport, -1);
      break;
    }
    default: {
      // The pure rules on any field values.
      sg_io_hdr_t header{};
      header.dxfer_direction = in.Bit() ? SG_DXFER_FROM_DEV : SG_DXFER_NONE;
      header.dxfer_len = in.U16();
      header.resid = static_cast<int>(in.U16() << 16 | in.U16());
      header.status = in.Byte();
      header.host_status = in.U16();
      header.driver_status = in.U16();
      uint8_t sense[32];
      header.sbp = in.Bit() ? sense : nullptr;
      header.mx_sb_len = in.Byte();
      header.sb_len_wr = in.Byte();
      const int error = in.Bit() ? in.Byte() : 0;
      const linux_sg::SgOutcome outcome = linux_sg::DecideSgResult(error, header);
      Require((outcome.result == 0) == (outcome.failure == linux_sg::SgFailure::None),
              "an SG_IO result unlike its failure");
      Require(outcome.transferred <= header.dxfer_len, "an SG_IO transfer beyond its length");
      Require(outcome.senseLength <= header.mx_sb_len && outcome.senseLength <= header.sb_len_wr,
              "more sense kept than the kernel wrote");
      if (outcome.result != 0) Require(outcome.transferred == 0, "data kept from a failed SG_IO");
      linux_sg::SgFailureText(outcome.failure);
      const PassThroughOutcome passThrough = DecidePassThroughResult(in.Bit(), in.Byte());
      Require(passThrough.result == 0 || passThrough.result == kPassThroughFailure,
              "a pass-through result out of range");
      const uint32_t status = in.U16();
      Require((AspiCommandResult(status) == 0) == (status == aspi::SS_COMP),
              "an ASPI request other than SS_COMP completed");
      AspiRequestPending(status);
      DecodeAspiSupportInfo(status << 16 | in.U16());
      break;
    }
  }
  return 0;
}
