// The transport of a firmware update, counting the bytes of the buffer
// commands for the progress bar: the operations send the blocks themselves
// and say nothing between them.
#pragma once
#include "cli/cli_view.h"
#include "drive/command_transport.h"

namespace kestrel::cli {

class TransferProgress final : public CommandTransport {
 public:
  explicit TransferProgress(CommandTransport& inner) : inner_(inner) {}
  // From now on the bytes of every `opcode` command count on `progress`'s
  // phase; null stops the count.
  void Count(uint8_t opcode, ProgressLine* progress) {
    opcode_ = opcode, progress_ = progress, bytes_ = 0;
  }

  int32_t InitDriveAccess() override { return inner_.InitDriveAccess(); }
  int32_t ReleaseDriveAccess() override { return inner_.ReleaseDriveAccess(); }
  int32_t Execute(const ScsiCommand& command) override {
    const int32_t status = inner_.Execute(command);
    if (progress_ != nullptr && command.cdb[0] == opcode_) {
      bytes_ += command.transferLength;
      progress_->Advance(bytes_);
    }
    return status;
  }
  uint32_t ReceivedLength() const override { return inner_.ReceivedLength(); }
  WorkBuffers& Buffers() override { return inner_.Buffers(); }

 private:
  CommandTransport& inner_;
  uint8_t opcode_ = 0;
  ProgressLine* progress_ = nullptr;
  uint32_t bytes_ = 0;
};

}  // namespace kestrel::cli
