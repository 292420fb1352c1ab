// A CommandTransport that passes every command on to another one and keeps a
// copy of it, with the bytes a data-out command carried, so tests can check
// what a drive was given (timeouts and sense lengths included).
#pragma once
#include <cstdint>
#include <vector>

#include "drive/command_transport.h"

namespace kestrel::testing {

struct RecordedCommand {
  ScsiCommand command;
  std::vector<uint8_t> dataOut;  // the payload of a data-out command
  int32_t result = 0;
  uint8_t opcode() const { return command.cdb[0]; }
  uint8_t bufferId() const { return command.cdb[2]; }
};

class RecordingTransport : public CommandTransport {
 public:
  explicit RecordingTransport(CommandTransport& inner) : inner_(inner) {}

  int32_t InitDriveAccess() override { return inner_.InitDriveAccess(); }
  int32_t ReleaseDriveAccess() override { return inner_.ReleaseDriveAccess(); }
  WorkBuffers& Buffers() override { return inner_.Buffers(); }
  uint32_t ReceivedLength() const override { return inner_.ReceivedLength(); }
  int32_t Execute(const ScsiCommand& command) override {
    RecordedCommand record{command, {}, 0};
    if (command.direction == DataDirection::Out && command.data != nullptr) {
      record.dataOut.assign(command.data, command.data + command.transferLength);
    }
    record.result = inner_.Execute(command);
    commands.push_back(std::move(record));
    return commands.back().result;
  }

  std::vector<RecordedCommand> commands;

 private:
  CommandTransport& inner_;
};

}  // namespace kestrel::testing
