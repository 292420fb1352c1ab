// A drive that answers at random: every command's status, reply length
// (never more than the command asked for), data and sense come from the
// fuzzer's input. It opens drive letters the same way, so that the
// pass-through builds' discovery and drive access run over it.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>

#include "drive/command_transport.h"
#include "tests/fuzz/fuzz_input.h"

namespace kestrel::fuzz {

class RandomTransport final : public CommandTransport, public DriveLetterAccess {
 public:
  static constexpr int32_t kFailure = 2;  // the pass-through builds' failure value

  // The work buffers live as long as the fuzzer: allocating them for every
  // input would cost more than the run.
  explicit RandomTransport(FuzzInput& input) : input_(input), buffers_(SharedBuffers()) {
    buffers_.sense.fill(0);
  }

  // Called before each command reaches the drive, and after it has answered.
  std::function<void(const ScsiCommand&)> beforeCommand;
  std::function<void(const ScsiCommand&, int32_t result, uint32_t received)> afterCommand;
  std::function<void(char letter, bool opened)> afterOpen;

  int32_t InitDriveAccess() override { return 0; }
  int32_t ReleaseDriveAccess() override { return 0; }
  int32_t Execute(const ScsiCommand& command) override {
    Require(ValidCdbLength(command.cdbLength), "a CDB of a length no transport sends");
    Require(command.transferLength == 0 || command.data != nullptr, "a transfer without a buffer");
    if (beforeCommand) beforeCommand(command);
    const bool failed = input_.Bit();
    received_ = 0;
    if (command.direction == DataDirection::In) {
      received_ = input_.UpTo(command.transferLength);
      input_.Take(command.data, received_);
    }
    if (failed) {
      received_ = 0;
      if (command.autoSenseLength != 0) {
        input_.Take(buffers_.sense.data(), command.autoSenseLength < kSenseBufferSize
                                               ? command.autoSenseLength
                                               : kSenseBufferSize);
      }
    }
    const int32_t result = failed ? kFailure : 0;
    if (afterCommand) afterCommand(command, result, received_);
    return result;
  }
  uint32_t ReceivedLength() const override { return received_; }
  WorkBuffers& Buffers() override { return buffers_; }

  int32_t OpenDrive(char letter) override {
    open_ = input_.Bit() ? 0 : letter;
    if (afterOpen) afterOpen(letter, open_ != 0);
    return open_ != 0 ? 0 : -1;
  }
  int32_t CloseDrive() override {
    open_ = 0;
    return 0;
  }
  // The letter open now; 0 for none.
  char OpenLetter() const { return open_; }

 private:
  // Exactly sized heap buffers, so that AddressSanitizer sees any overrun.
  static WorkBuffers& SharedBuffers() {
    static WorkBuffers buffers{new uint8_t[kDataBufferSize](), new uint8_t[kImageBufferSize](),
                               new uint8_t[kSmallBufferSize](), {}};
    return buffers;
  }

  FuzzInput& input_;
  WorkBuffers& buffers_;
  uint32_t received_ = 0;
  char open_ = 0;
};

}  // namespace kestrel::fuzz
