/* sg_header: one SG_IO and every field the caller gets back, on one line, so
 * that the kernel's answer and the SG_IO preload library's can be compared.
 *
 *   sg_header DEVICE TIMEOUT_MS in|out|none LENGTH SENSE_MAX CDB-BYTE...
 *
 * The data buffer is filled with A5h first: "beyond" shows what came back
 * past the bytes the residual says were sent. Prints "ioctl=errno" when
 * SG_IO itself fails. */
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
  /* The bytes the device sent by the residual, when it succeeded; the rest
   * of the buffer is not the device's (the kernel leaves zeros or bytes of an
   * earlier command there), so it comes last, after the duration. */
  unsigned valid = 0;
  if (h.status == 0 && h.host_status == 0 && h.driver_status == 0 && h.resid >= 0 &&
      (unsigned)h.resid <= length)
    valid = length - (unsigned)h.resid;
  printf(" data=");
  for (unsigned i = 0; i < valid && i < 64; ++i) printf("%02x", data[i]);
  printf(" duration=%u beyond=", h.duration);
  for (unsigned i = valid; i < length && i < valid + 16; ++i) printf("%02x", data[i]);
  printf("\n");
  return 0;
}
