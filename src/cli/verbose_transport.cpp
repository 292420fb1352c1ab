#include "cli/verbose_transport.h"

#include <algorithm>
#include <cstdio>

#include "drive/cdb_builders.h"
#include "drive/sense.h"

namespace kestrel::cli {
namespace {

std::string Bytes(const uint8_t* bytes, size_t length) {
  std::string text;
  char hex[4];
  for (size_t i = 0; i < length; ++i) {
    std::snprintf(hex, sizeof hex, i ? " %02x" : "%02x", bytes[i]);
    text += hex;
  }
  return text;
}

// Sense data of either format: its additional length says how much of it is
// there.
size_t SenseLength(const uint8_t* sense, size_t available) {
  if (available < 8 || (sense[0] & 0x70) != 0x70) return 0;
  return std::min<size_t>(available, 8u + sense[7]);
}

}  // namespace

int32_t VerboseTransport::Execute(const ScsiCommand& command) {
  log_ << "    cdb: [" << Bytes(command.cdb.data(), command.cdbLength) << "]";
  if (command.transferLength != 0 && command.direction != DataDirection::None) {
    log_ << (command.direction == DataDirection::In ? " data-in " : " data-out ")
         << command.transferLength << " bytes";
  }
  log_ << "\n";
  const int32_t result = inner_.Execute(command);
  if (result == 0) {
    log_ << "    status: good";
  } else {
    const std::string why = host_.LastFailure();
    log_ << "    status: failed (" << result << (why.empty() ? "" : ": " + why) << ")";
  }
  if (command.direction == DataDirection::In && command.transferLength != 0) {
    const uint32_t received = std::min(inner_.ReceivedLength(), command.transferLength);
    log_ << ", residual " << command.transferLength - received;
  }
  log_ << "\n";
  const WorkBuffers& buffers = inner_.Buffers();
  if (result != 0) {
    ShowSense(buffers.sense.data(), SenseLength(buffers.sense.data(), buffers.sense.size()));
  } else if (command.cdb[0] == opcode::kRequestSense && command.data != nullptr) {
    // The sense of the command before, asked for on its own.
    const uint32_t received = std::min(inner_.ReceivedLength(), command.transferLength);
    ShowSense(command.data, SenseLength(command.data, received));
  }
  return result;
}

void VerboseTransport::ShowSense(const uint8_t* sense, size_t length) {
  if (length == 0) return;
  const SenseCodes codes = DecodeSense(sense, length);
  char triple[48];
  std::snprintf(triple, sizeof triple, " (key %02xh, asc %02xh, ascq %02xh)", codes.SenseKey(),
                codes.asc, codes.ascq);
  log_ << "    sense: " << Bytes(sense, length) << triple << "\n";
}

}  // namespace kestrel::cli
