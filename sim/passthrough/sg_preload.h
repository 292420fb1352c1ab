/* Shared between the preload library's files: which open files stand for a
 * simulated drive, and what a stat of them should say. */
#ifndef KESTREL_SIM_SG_PRELOAD_H
#define KESTREL_SIM_SG_PRELOAD_H
#include <stdint.h>

/* The SCSI CD-ROM block major: Wine's address request insists on it. */
#define KESTREL_SG_CDROM_MAJOR 11

/* The index of the mapped device with this device and inode number, or -1. */
int kestrel_sg_mapped(uint64_t dev, uint64_t ino);
/* What st_mode and st_rdev become for mapped device `index`. */
unsigned kestrel_sg_block_mode(unsigned mode);
uint64_t kestrel_sg_block_rdev(int index);

#endif
