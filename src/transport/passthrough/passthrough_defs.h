// The published Windows storage pass-through records and control codes.
#pragma once
#include <cstddef>
#include <cstdint>

namespace kestrel::ntscsi {

constexpr uint32_t IOCTL_SCSI_GET_CAPABILITIES = 0x00041010;
constexpr uint32_t IOCTL_SCSI_GET_ADDRESS = 0x00041018;
constexpr uint32_t IOCTL_SCSI_PASS_THROUGH_DIRECT = 0x0004D014;

constexpr uint8_t SCSI_IOCTL_DATA_OUT = 0;
constexpr uint8_t SCSI_IOCTL_DATA_IN = 1;

struct SCSI_PASS_THROUGH_DIRECT {
  uint16_t Length;
  uint8_t ScsiStatus;
  uint8_t PathId;
  uint8_t TargetId;
  uint8_t Lun;
  uint8_t CdbLength;
  uint8_t SenseInfoLength;
  uint8_t DataIn;
  uint32_t DataTransferLength;
  uint32_t TimeOutValue;
  void* DataBuffer;
  uint32_t SenseInfoOffset;
  uint8_t Cdb[16];
};

struct SCSI_ADDRESS {
  uint32_t Length;
  uint8_t PortNumber;
  uint8_t PathId;
  uint8_t TargetId;
  uint8_t Lun;
};

struct IO_SCSI_CAPABILITIES {
  uint32_t Length;
  uint32_t MaximumTransferLength;
  uint32_t MaximumPhysicalPages;
  uint32_t SupportedAsynchronousEvents;
  uint32_t AlignmentMask;
  uint8_t TaggedQueuing;
  uint8_t AdapterScansDown;
  uint8_t AdapterUsesPio;
};

// The one request block of the pass-through transport: the record, filler,
// and the sense area (at byte 48 in the 32-bit build).
struct PassThroughBlock {
  SCSI_PASS_THROUGH_DIRECT sptd;
  uint32_t filler;
  uint8_t sense[32];
};

static_assert(sizeof(SCSI_ADDRESS) == 8);
static_assert(sizeof(IO_SCSI_CAPABILITIES) == 24);
static_assert(sizeof(void*) != 4 || sizeof(SCSI_PASS_THROUGH_DIRECT) == 44);
static_assert(sizeof(void*) != 4 || offsetof(PassThroughBlock, sense) == 48);
static_assert(sizeof(void*) != 4 || sizeof(PassThroughBlock) == 80);

}  // namespace kestrel::ntscsi
