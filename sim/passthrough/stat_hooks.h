/* The stat family for one layout of struct stat: after the real call, a
 * mapped device's entry says "block device, SCSI CD-ROM major". Included by
 * stat_hooks.c once per layout with STAT_TYPE and the four names set. */
#define KESTREL_PATCH(st)                                                           \
  do {                                                                              \
    int index_ = kestrel_sg_mapped((uint64_t)(st)->st_dev, (uint64_t)(st)->st_ino); \
    if (index_ >= 0) {                                                              \
      (st)->st_mode = kestrel_sg_block_mode((st)->st_mode);                         \
      (st)->st_rdev = kestrel_sg_block_rdev(index_);                                \
    }                                                                               \
  } while (0)
