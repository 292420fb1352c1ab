/* Fails to build when tcmu_abi.h differs from the kernel's own header. */
#include <stddef.h>

#include <linux/target_core_user.h>

#include "sim/tcmu/tcmu_abi.h"

#define SAME_FIELD(kernel, ours, field) \
  _Static_assert(offsetof(struct kernel, field) == offsetof(struct ours, field), #field)
#define SAME_SIZE(kernel, ours) _Static_assert(sizeof(struct kernel) == sizeof(struct ours), #ours)

SAME_SIZE(tcmu_mailbox, kestrel_tcmu_mailbox);
SAME_FIELD(tcmu_mailbox, kestrel_tcmu_mailbox, version);
SAME_FIELD(tcmu_mailbox, kestrel_tcmu_mailbox, flags);
SAME_FIELD(tcmu_mailbox, kestrel_tcmu_mailbox, cmdr_off);
SAME_FIELD(tcmu_mailbox, kestrel_tcmu_mailbox, cmdr_size);
SAME_FIELD(tcmu_mailbox, kestrel_tcmu_mailbox, cmd_head);
SAME_FIELD(tcmu_mailbox, kestrel_tcmu_mailbox, cmd_tail);

SAME_SIZE(tcmu_cmd_entry_hdr, kestrel_tcmu_cmd_entry_hdr);
SAME_FIELD(tcmu_cmd_entry_hdr, kestrel_tcmu_cmd_entry_hdr, cmd_id);
SAME_FIELD(tcmu_cmd_entry_hdr, kestrel_tcmu_cmd_entry_hdr, kflags);
SAME_FIELD(tcmu_cmd_entry_hdr, kestrel_tcmu_cmd_entry_hdr, uflags);

SAME_SIZE(tcmu_cmd_entry, kestrel_tcmu_cmd_entry);
SAME_FIELD(tcmu_cmd_entry, kestrel_tcmu_cmd_entry, req.iov_cnt);
SAME_FIELD(tcmu_cmd_entry, kestrel_tcmu_cmd_entry, req.cdb_off);
SAME_FIELD(tcmu_cmd_entry, kestrel_tcmu_cmd_entry, req.iov);
SAME_FIELD(tcmu_cmd_entry, kestrel_tcmu_cmd_entry, rsp.scsi_status);
SAME_FIELD(tcmu_cmd_entry, kestrel_tcmu_cmd_entry, rsp.read_len);
SAME_FIELD(tcmu_cmd_entry, kestrel_tcmu_cmd_entry, rsp.sense_buffer);

SAME_SIZE(tcmu_tmr_entry, kestrel_tcmu_tmr_entry);
SAME_FIELD(tcmu_tmr_entry, kestrel_tcmu_tmr_entry, tmr_type);
SAME_FIELD(tcmu_tmr_entry, kestrel_tcmu_tmr_entry, cmd_cnt);
SAME_FIELD(tcmu_tmr_entry, kestrel_tcmu_tmr_entry, cmd_ids);

_Static_assert(KESTREL_TCMU_MAILBOX_VERSION == TCMU_MAILBOX_VERSION, "version");
_Static_assert(KESTREL_TCMU_OP_PAD == TCMU_OP_PAD && KESTREL_TCMU_OP_CMD == TCMU_OP_CMD &&
                   KESTREL_TCMU_OP_TMR == TCMU_OP_TMR && KESTREL_TCMU_OP_MASK == TCMU_OP_MASK,
               "opcodes");
_Static_assert(KESTREL_TCMU_OP_ALIGN_SIZE == TCMU_OP_ALIGN_SIZE, "alignment");
_Static_assert(KESTREL_TCMU_UFLAG_READ_LEN == TCMU_UFLAG_READ_LEN, "read_len flag");
_Static_assert(KESTREL_TCMU_SENSE_BUFFERSIZE == TCMU_SENSE_BUFFERSIZE, "sense size");
_Static_assert(TCMU_TMR_ABORT_TASK == 1 && TCMU_TMR_LUN_RESET == 5 && TCMU_TMR_LUN_RESET_PRO == 128,
               "tmr types");
