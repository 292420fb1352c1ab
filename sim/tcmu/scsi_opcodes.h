// What a TCMU entry does not say about a command: which way its data moves and
// how long its CDB is. Both follow from the opcode (MMC meanings: A3h is SEND
// KEY, not SPC's REPORT TARGET PORT GROUPS).
#pragma once
#include <cstddef>
#include <cstdint>

#include "drive/command_transport.h"

namespace kestrel::sim {

// Unknown opcodes move no data.
DataDirection DirectionOf(uint8_t opcode);
// From the opcode's group, as the kernel counts it: 6, 10, 12 or 16 bytes.
size_t CdbLength(uint8_t opcode);

}  // namespace kestrel::sim
