/* The shared area of a TCMU device as linux/target_core_user.h lays it out.
 * That header does not compile as C++ (its inline helpers turn an integer
 * into an enum), so the C++ side uses these copies of its structures, and
 * tcmu_abi_check.c holds both layouts equal when it builds. struct iovec is
 * the kernel header's (<linux/uio.h>), not <sys/uio.h>'s. */
#ifndef KESTREL_SIM_TCMU_ABI_H
#define KESTREL_SIM_TCMU_ABI_H

#include <linux/types.h>
#include <linux/uio.h>

#define KESTREL_TCMU_MAILBOX_VERSION 2
#define KESTREL_TCMU_OP_PAD 0
#define KESTREL_TCMU_OP_CMD 1
#define KESTREL_TCMU_OP_TMR 2
#define KESTREL_TCMU_OP_MASK 0x7
#define KESTREL_TCMU_OP_ALIGN_SIZE 8
#define KESTREL_TCMU_UFLAG_READ_LEN 0x2
#define KESTREL_TCMU_SENSE_BUFFERSIZE 96

struct kestrel_tcmu_mailbox {
  __u16 version;
  __u16 flags;
  __u32 cmdr_off;
  __u32 cmdr_size;
  __u32 cmd_head;
  __u32 cmd_tail __attribute__((__aligned__(64))); /* the user's, on its own cache line */
} __attribute__((packed));

struct kestrel_tcmu_cmd_entry_hdr {
  __u32 len_op; /* length (8-byte multiple) | opcode in the low 3 bits */
  __u16 cmd_id;
  __u8 kflags;
  __u8 uflags;
} __attribute__((packed));

struct kestrel_tcmu_cmd_entry {
  struct kestrel_tcmu_cmd_entry_hdr hdr;
  union {
    struct {
      __u32 iov_cnt;
      __u32 iov_bidi_cnt;
      __u32 iov_dif_cnt;
      __u64 cdb_off;
      __u64 __pad1;
      __u64 __pad2;
      struct iovec iov[0];
    } req;
    struct {
      __u8 scsi_status;
      __u8 __pad1;
      __u16 __pad2;
      __u32 read_len;
      char sense_buffer[KESTREL_TCMU_SENSE_BUFFERSIZE];
    } rsp;
  };
} __attribute__((packed));

struct kestrel_tcmu_tmr_entry {
  struct kestrel_tcmu_cmd_entry_hdr hdr;
  __u8 tmr_type;
  __u8 __pad1;
  __u16 __pad2;
  __u32 cmd_cnt;
  __u64 __pad3;
  __u64 __pad4;
  __u16 cmd_ids[];
} __attribute__((packed));

#endif
