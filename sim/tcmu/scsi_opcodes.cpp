#include "sim/tcmu/scsi_opcodes.h"

namespace kestrel::sim {

DataDirection DirectionOf(uint8_t opcode) {
  switch (opcode) {
    case 0x03:  // REQUEST SENSE
    case 0x12:  // INQUIRY
    case 0x1A:  // MODE SENSE(6)
    case 0x23:  // READ FORMAT CAPACITIES
    case 0x25:  // READ CAPACITY
    case 0x28:  // READ(10)
    case 0x3C:  // READ BUFFER
    case 0x42:  // READ SUB-CHANNEL
    case 0x43:  // READ TOC/PMA/ATIP
    case 0x46:  // GET CONFIGURATION
    case 0x4A:  // GET EVENT STATUS NOTIFICATION
    case 0x4D:  // LOG SENSE
    case 0x51:  // READ DISC INFORMATION
    case 0x52:  // READ TRACK INFORMATION
    case 0x5A:  // MODE SENSE(10)
    case 0xA4:  // REPORT KEY
    case 0xA8:  // READ(12)
    case 0xAC:  // GET PERFORMANCE
    case 0xAD:  // READ DVD STRUCTURE
    case 0xB9:  // READ CD MSF
    case 0xBE:  // READ CD
      return DataDirection::In;
    case 0x15:  // MODE SELECT(6)
    case 0x2A:  // WRITE(10)
    case 0x3B:  // WRITE BUFFER
    case 0x55:  // MODE SELECT(10)
    case 0xA3:  // SEND KEY
    case 0xB6:  // SET STREAMING
    case 0xBF:  // SEND DVD STRUCTURE
      return DataDirection::Out;
    default:
      return DataDirection::None;
  }
}

size_t CdbLength(uint8_t opcode) {
  static constexpr size_t kByGroup[8] = {6, 10, 10, 12, 16, 12, 10, 10};
  return kByGroup[opcode >> 5];
}

}  // namespace kestrel::sim
