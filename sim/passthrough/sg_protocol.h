/* The messages between the SG_IO preload library and the simulated drive's
 * server: one stream socket per drive letter, one request at a time, each
 * answered by one reply with the same sequence number. Plain C, so that the
 * preload library needs no C++ runtime inside the Wine processes.
 *
 *   request: KestrelSgRequest, then dataLength bytes when the data goes out
 *   reply:   KestrelSgReply, then dataLength bytes of data-in
 *
 * A reply can come after the library has given up waiting (the command
 * outlived its time-out); the library drops replies of older sequence numbers. */
#ifndef KESTREL_SIM_SG_PROTOCOL_H
#define KESTREL_SIM_SG_PROTOCOL_H
#include <stdint.h>

#define KESTREL_SG_MAGIC 0x4B534731u /* "KSG1" */
#define KESTREL_SG_MAX_TRANSFER (1u << 20) /* the most one command carries, as through the kernel */

enum KestrelSgKind {
  KESTREL_SG_COMMAND = 1, /* one CDB */
  KESTREL_SG_ADDRESS = 2  /* the letter's SCSI address, for SCSI_IOCTL_GET_IDLUN */
};

enum KestrelSgDirection { KESTREL_SG_NONE = 0, KESTREL_SG_IN = 1, KESTREL_SG_OUT = 2 };

struct KestrelSgRequest {
  uint32_t magic;
  uint32_t sequence;
  uint8_t kind;
  uint8_t direction;
  uint8_t cdbLength;
  uint8_t senseLength; /* the most sense bytes the caller takes */
  uint32_t timeoutMs;
  uint32_t dataLength; /* the caller's transfer length */
  uint8_t cdb[16];
};

struct KestrelSgReply {
  uint32_t magic;
  uint32_t sequence;
  uint8_t status; /* SCSI status byte */
  uint8_t senseLength;
  uint8_t port, path, target, lun; /* KESTREL_SG_ADDRESS */
  uint8_t reserved[2];
  uint32_t transferred; /* data bytes moved either way */
  uint32_t dataLength;  /* data-in bytes following this header */
  uint8_t sense[32];
};

#endif
