/* sg_header: one SG_IO and every field the caller gets back, on one line, so
 * that the kernel's answer and the SG_IO preload library's can be compared.
 *
 *   sg_header DEVICE TIMEOUT_MS in|out|none LENGTH SENSE_MAX CDB-BYTE...
 *
 * The data buffer is filled with A5h first: a byte the device did not send
 * shows as a5. Prints "ioctl=errno" when SG_IO itself fails. */
#include <errno.h>
#include <fcntl.h>
#include <scsi/sg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <unistd.h>

int main(int argc, char** argv) {
  if (argc < 7) {
    fprintf(stderr, "usage: sg_header DEVICE TIMEOUT_MS in|out|none LENGTH SENSE_MAX CDB-BYTE...\n");
    return 2;
  }
  unsigned char cdb[16], sense[64];
  int cdbLength = argc - 6;
  if (cdbLength > 16) cdbLength = 16;
  for (int i = 0; i < cdbLength; ++i) cdb[i] = (unsigned char)strtoul(argv[6 + i], NULL, 16);
  unsigned length = (unsigned)strtoul(argv[4], NULL, 0);
  unsigned char* data = aligned_alloc(4096, length ? (length + 4095) / 4096 * 4096 : 4096);
  memset(data, 0xA5, length);
  memset(sense, 0xA5, sizeof sense);
  sg_io_hdr_t h;
  memset(&h, 0, sizeof h);
  h.interface_id = 'S';
  h.dxfer_direction = !strcmp(argv[3], "in")    ? SG_DXFER_FROM_DEV
                      : !strcmp(argv[3], "out") ? SG_DXFER_TO_DEV
                                                : SG_DXFER_NONE;
  h.dxfer_len = h.dxfer_direction == SG_DXFER_NONE ? 0 : length;
  h.dxferp = data;
  h.cmdp = cdb;
  h.cmd_len = (unsigned char)cdbLength;
  h.sbp = sense;
  h.mx_sb_len = (unsigned char)atoi(argv[5]);
  h.timeout = (unsigned)strtoul(argv[2], NULL, 0);
  int fd = open(argv[1], O_RDWR | O_NONBLOCK);
  if (fd < 0) fd = open(argv[1], O_RDONLY | O_NONBLOCK);
  if (fd < 0) {
    printf("open=%d\n", errno);
    return 1;
  }
  if (ioctl(fd, SG_IO, &h) != 0) {
    printf("ioctl=%d\n", errno);
    return 1;
  }
  printf("status=%02x masked=%02x host=%02x driver=%02x resid=%d sb_len_wr=%u info=%x sense=", h.status,
         h.masked_status, h.host_status, h.driver_status, h.resid, h.sb_len_wr, h.info);
  for (unsigned i = 0; i < h.sb_len_wr && i < sizeof sense; ++i) printf("%02x", sense[i]);
  printf(" data=");
  for (unsigned i = 0; i < length && i < 64; ++i) printf("%02x", data[i]);
  printf(" end=");  /* the last bytes: A5h where a short reply sent nothing */
  for (unsigned i = length > 8 ? length - 8 : 0; i < length; ++i) printf("%02x", data[i]);
  printf(" duration=%u\n", h.duration);
  return 0;
}
