/* LD_PRELOAD library that puts the simulated drive behind Wine's SCSI
 * pass-through. Wine opens $WINEPREFIX/dosdevices/x:: for \\.\X: and calls
 * ioctl(fd, SG_IO) on it; for the paths named in KESTREL_SIM_DEVICES
 * ("DEVICE=SOCKET;DEVICE=SOCKET...") this library answers SG_IO,
 * SCSI_IOCTL_GET_IDLUN and SG_GET_VERSION_NUM from the server listening on
 * SOCKET, and makes fstat/stat say "block device, SCSI CD-ROM major". Every
 * other file and request goes to libc untouched.
 *
 * The i386 Wine is built with 64-bit time, so its ntdll calls __ioctl_time64
 * and __fstat64_time64: both sets of names are hooked (stat_hooks*.c). */
#define _GNU_SOURCE
#include "sg_preload.h"

#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <linux/capability.h>
#include <poll.h>
#include <pthread.h>
#include <scsi/sg.h>
#include <stdarg.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <time.h>
#include <unistd.h>

#include "sg_protocol.h"

#ifndef SCSI_IOCTL_GET_IDLUN
#define SCSI_IOCTL_GET_IDLUN 0x5382
#endif
#define SG_VERSION_ANSWERED 30527 /* what the kernel's block-layer SG_IO reports */
#define DID_TIME_OUT 0x03
#define DRIVER_SENSE 0x08
#define DEFAULT_TIMEOUT_MS 60000 /* the kernel's when the caller gives 0 */
#define MAX_DEVICES 26
#define MAX_TRANSFER KESTREL_SG_MAX_TRANSFER

typedef int (*IoctlFn)(int, unsigned long, ...);
typedef int (*Fstat64Fn)(int, struct stat64*);

struct Device {
  char path[512];
  char socketPath[108];
  int sgNode; /* the path names an sg node (sgN): that driver's rules, not sr's */
  int known;  /* dev/ino below are valid */
  uint64_t dev, ino;
  int socket;      /* -1: not connected */
  pid_t socketPid; /* a forked child makes its own connection */
  uint32_t sequence;
};

static struct Device devices[MAX_DEVICES];
static int deviceCount = -1; /* -1: KESTREL_SIM_DEVICES not read yet */
static pthread_mutex_t lock = PTHREAD_MUTEX_INITIALIZER;

static void* next_symbol(const char* name) { return dlsym(RTLD_NEXT, name); }

/* Reads KESTREL_SIM_DEVICES once; stats each path until it exists. */
static void load_devices(void) {
  if (deviceCount < 0) {
    deviceCount = 0;
    const char* list = getenv("KESTREL_SIM_DEVICES");
    while (list && *list && deviceCount < MAX_DEVICES) {
      const char* end = strchr(list, ';');
      size_t length = end ? (size_t)(end - list) : strlen(list);
      const char* equals = memchr(list, '=', length);
      if (equals) {
        struct Device* d = &devices[deviceCount];
        size_t pathLength = (size_t)(equals - list);
        size_t socketLength = length - pathLength - 1;
        if (pathLength < sizeof d->path && socketLength < sizeof d->socketPath) {
          memcpy(d->path, list, pathLength);
          d->path[pathLength] = 0;
          memcpy(d->socketPath, equals + 1, socketLength);
          d->socketPath[socketLength] = 0;
          d->socket = -1;
          const char* slash = strrchr(d->path, '/');
          const char* base = slash ? slash + 1 : d->path;
          d->sgNode = base[0] == 's' && base[1] == 'g' && base[2] >= '0' && base[2] <= '9';
          ++deviceCount;
        }
      }
      list = end ? end + 1 : NULL;
    }
  }
  /* The 64-bit calls: the plain ones fail on i386 for large inode numbers. */
  static int (*real_stat)(const char*, struct stat64*);
  if (!real_stat) real_stat = (int (*)(const char*, struct stat64*))next_symbol("stat64");
  for (int i = 0; i < deviceCount; ++i) {
    struct Device* d = &devices[i];
    struct stat64 st;
    if (!d->known && real_stat && real_stat(d->path, &st) == 0) {
      d->dev = (uint64_t)st.st_dev;
      d->ino = (uint64_t)st.st_ino;
      d->known = 1;
    }
  }
}

int kestrel_sg_mapped(uint64_t dev, uint64_t ino) {
  pthread_mutex_lock(&lock);
  load_devices();
  int found = -1;
  for (int i = 0; i < deviceCount && found < 0; ++i) {
    if (devices[i].known && devices[i].dev == dev && devices[i].ino == ino) found = i;
  }
  pthread_mutex_unlock(&lock);
  return found;
}

unsigned kestrel_sg_block_mode(unsigned mode) { return (mode & ~(unsigned)S_IFMT) | S_IFBLK; }

uint64_t kestrel_sg_block_rdev(int index) {
  return (uint64_t)makedev(KESTREL_SG_CDROM_MAJOR, (unsigned)index);
}

/* The mapped device an open descriptor refers to, or -1. */
static int mapped_fd(int fd) {
  static Fstat64Fn real_fstat;
  if (!real_fstat) real_fstat = (Fstat64Fn)next_symbol("fstat64");
  struct stat64 st;
  if (!real_fstat || real_fstat(fd, &st) != 0) return -1;
  return kestrel_sg_mapped((uint64_t)st.st_dev, (uint64_t)st.st_ino);
}

static long elapsed_ms(const struct timespec* since) {
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return (long)(now.tv_sec - since->tv_sec) * 1000 + (now.tv_nsec - since->tv_nsec) / 1000000;
}

static int write_all(int s, const void* data, size_t length) {
  const char* p = data;
  while (length > 0) {
    ssize_t n = send(s, p, length, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return -1;
    p += n;
    length -= (size_t)n;
  }
  return 0;
}

/* Reads exactly `length` bytes before the deadline. 0 done, 1 timed out,
 * -1 the connection failed. */
static int read_all(int s, void* data, size_t length, const struct timespec* start, long limitMs) {
  char* p = data;
  while (length > 0) {
    long left = limitMs - elapsed_ms(start);
    if (left <= 0) return 1;
    struct pollfd pfd = {s, POLLIN, 0};
    int r = poll(&pfd, 1, (int)(left > 0x7FFFFFFF ? 0x7FFFFFFF : left));
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) return -1;
    if (r == 0) return 1;
    ssize_t n = recv(s, p, length, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return -1;
    p += n;
    length -= (size_t)n;
  }
  return 0;
}

static void disconnect(struct Device* d) {
  if (d->socket >= 0) close(d->socket);
  d->socket = -1;
}

static int connect_device(struct Device* d) {
  if (d->socket >= 0 && d->socketPid == getpid()) return 0;
  if (d->socket >= 0) d->socket = -1; /* the parent's connection: leave it to the parent */
  int s = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (s < 0) return -1;
  struct sockaddr_un address;
  memset(&address, 0, sizeof address);
  address.sun_family = AF_UNIX;
  memcpy(address.sun_path, d->socketPath, strlen(d->socketPath) + 1);
  if (connect(s, (struct sockaddr*)&address, sizeof address) != 0) {
    close(s);
    return -1;
  }
  d->socket = s;
  d->socketPid = getpid();
  return 0;
}

/* One exchange with the server. `inData` receives up to `inCapacity` bytes.
 * 0 answered, 1 timed out, -1 no server. */
static int exchange(struct Device* d, struct KestrelSgRequest* request, const void* outData,
                    struct KestrelSgReply* reply, void* inData, uint32_t inCapacity, long limitMs) {
  if (connect_device(d) != 0) return -1;
  request->magic = KESTREL_SG_MAGIC;
  request->sequence = ++d->sequence;
  if (write_all(d->socket, request, sizeof *request) != 0 ||
      (outData && request->dataLength > 0 &&
       write_all(d->socket, outData, request->dataLength) != 0)) {
    disconnect(d);
    return -1;
  }
  struct timespec start;
  clock_gettime(CLOCK_MONOTONIC, &start);
  for (;;) {
    int r = read_all(d->socket, reply, sizeof *reply, &start, limitMs);
    if (r != 0) {
      if (r < 0) disconnect(d);
      return r;
    }
    if (reply->magic != KESTREL_SG_MAGIC || reply->dataLength > MAX_TRANSFER) {
      disconnect(d);
      return -1;
    }
    /* Data of this reply: kept when it is ours, else read and dropped. */
    const int ours = reply->sequence == request->sequence;
    uint32_t left = reply->dataLength;
    uint32_t taken = 0;
    char scratch[4096];
    while (left > 0) {
      void* into = scratch;
      uint32_t n = left < sizeof scratch ? left : (uint32_t)sizeof scratch;
      if (ours && taken < inCapacity) {
        into = (char*)inData + taken;
        n = left < inCapacity - taken ? left : inCapacity - taken;
      }
      /* The data follows its header at once: a generous deadline of its own. */
      struct timespec dataStart;
      clock_gettime(CLOCK_MONOTONIC, &dataStart);
      if (read_all(d->socket, into, n, &dataStart, 10000) != 0) {
        disconnect(d);
        return -1;
      }
      if (ours && into != scratch) taken += n;
      left -= n;
    }
    if (ours) return 0;
  }
}

static int has_raw_io(void) {
  struct __user_cap_header_struct header = {_LINUX_CAPABILITY_VERSION_3, 0};
  struct __user_cap_data_struct data[2];
  if (syscall(SYS_capget, &header, data) != 0) return 0;
  return (data[0].effective >> CAP_SYS_RAWIO) & 1;
}

/* The kernel's command filter (scsi_cmd_allowed): 1 for commands anyone who
 * opened the node may send, 2 for those that need it open for writing; the
 * rest (READ/WRITE BUFFER's writing half, vendor opcodes) need CAP_SYS_RAWIO. */
static int filter_class(uint8_t opcode) {
  static const uint8_t readSafe[] = {
      0x00, 0x03, 0x08, 0x28, 0xA8, 0x88, 0x3C, 0x37, 0x25, 0x3E, 0x12, 0x1A, 0x5A, 0x4D, 0x1B,
      0x2F, 0x8F, 0xA0, 0x9E, 0x1C, 0xA3, 0x5C, 0xBC, 0x45, 0x47, 0x48, 0x4B, 0xBE, 0xB9, 0x51,
      0xAD, 0x44, 0x52, 0x42, 0x43, 0xA4, 0xBA, 0x46, 0x23, 0x4A, 0xAC, 0x2B, 0x4E, 0x95};
  static const uint8_t writeSafe[] = {0x0A, 0x2A, 0x2E, 0xAA, 0xAE, 0x8A, 0x3F, 0xEA,
                                      0x41, 0x93, 0x7F, 0x19, 0x55, 0x15, 0x4C, 0xA1,
                                      0x5B, 0x35, 0x04, 0x58, 0x53, 0xBF, 0xA2, 0x54,
                                      0x5D, 0xBB, 0x1E, 0xA6, 0xB6, 0xA7, 0x94};
  for (size_t i = 0; i < sizeof readSafe; ++i)
    if (readSafe[i] == opcode) return 1;
  for (size_t i = 0; i < sizeof writeSafe; ++i)
    if (writeSafe[i] == opcode) return 2;
  return 0;
}

/* Whether the kernel lets this descriptor send the command: the sg driver
 * passes anything on a read-write open; sr (and sg opened otherwise) filter. */
static int command_allowed(const struct Device* d, int fd, uint8_t opcode) {
  int flags = fcntl(fd, F_GETFL);
  int access = flags < 0 ? O_RDONLY : (flags & O_ACCMODE);
  if (d->sgNode && access == O_RDWR) return 1;
  if (has_raw_io()) return 1;
  int kind = filter_class(opcode);
  return kind == 1 || (kind == 2 && access != O_RDONLY);
}

static int answer_sg_io(struct Device* d, int fd, struct sg_io_hdr* h) {
  if (h->interface_id != 'S') {
    errno = EINVAL;
    return -1;
  }
  if (h->iovec_count != 0 || h->cmd_len < 6 || h->cmd_len > 16 || !h->cmdp ||
      h->dxfer_len > MAX_TRANSFER ||
      (h->dxfer_len > 0 && !h->dxferp && h->dxfer_direction != SG_DXFER_NONE)) {
    errno = EINVAL;
    return -1;
  }
  if (!command_allowed(d, fd, *h->cmdp)) {
    errno = EPERM;
    return -1;
  }
  struct KestrelSgRequest request;
  memset(&request, 0, sizeof request);
  request.kind = KESTREL_SG_COMMAND;
  request.cdbLength = h->cmd_len;
  memcpy(request.cdb, h->cmdp, h->cmd_len);
  request.senseLength = h->mx_sb_len;
  request.timeoutMs = h->timeout ? h->timeout : DEFAULT_TIMEOUT_MS;
  const void* outData = NULL;
  switch (h->dxfer_direction) {
    case SG_DXFER_FROM_DEV:
    case SG_DXFER_TO_FROM_DEV:
      request.direction = h->dxfer_len ? KESTREL_SG_IN : KESTREL_SG_NONE;
      break;
    case SG_DXFER_TO_DEV:
      request.direction = h->dxfer_len ? KESTREL_SG_OUT : KESTREL_SG_NONE;
      outData = h->dxferp;
      break;
    case SG_DXFER_NONE:
      break;
    default:
      errno = EINVAL;
      return -1;
  }
  request.dataLength = request.direction == KESTREL_SG_NONE ? 0 : h->dxfer_len;

  struct KestrelSgReply reply;
  memset(&reply, 0, sizeof reply);
  struct timespec start;
  clock_gettime(CLOCK_MONOTONIC, &start);
  int r = exchange(
      d, &request, outData, &reply, request.direction == KESTREL_SG_IN ? h->dxferp : NULL,
      request.direction == KESTREL_SG_IN ? request.dataLength : 0, (long)request.timeoutMs);
  if (r < 0) {
    errno = ENXIO; /* the device is gone */
    return -1;
  }
  h->msg_status = 0;
  h->sb_len_wr = 0;
  h->duration = (unsigned)elapsed_ms(&start);
  /* The kernel hands back its own bounce buffer for data-in: what the drive
   * did not fill reads 00h, and a failed command's residual is 0. */
  char* in = request.direction == KESTREL_SG_IN ? h->dxferp : NULL;
  if (r == 1) {
    /* The kernel aborts the command: the call itself succeeds, the host
     * status says time-out and there is no sense. */
    h->status = 0;
    h->masked_status = 0;
    h->host_status = DID_TIME_OUT;
    h->driver_status = 0;
    h->resid = 0;
    h->info = SG_INFO_CHECK;
    if (in) memset(in, 0, h->dxfer_len);
    return 0;
  }
  h->status = reply.status;
  h->masked_status = (reply.status >> 1) & 0x7F;
  h->host_status = 0;
  /* sg reports DRIVER_SENSE only when it had room to give the sense. */
  h->driver_status = reply.status == 0x02 && (!d->sgNode || h->mx_sb_len > 0) ? DRIVER_SENSE : 0;
  uint32_t moved = reply.transferred < h->dxfer_len ? reply.transferred : h->dxfer_len;
  h->resid = (int)(h->dxfer_len - moved);
  if (in) {
    if (reply.status != 0) moved = 0;
    memset(in + moved, 0, h->dxfer_len - moved);
    if (reply.status != 0) h->resid = 0;
  }
  if (reply.senseLength > 0 && h->sbp && h->mx_sb_len > 0) {
    unsigned n = reply.senseLength < h->mx_sb_len ? reply.senseLength : h->mx_sb_len;
    if (n > sizeof reply.sense) n = sizeof reply.sense;
    memcpy(h->sbp, reply.sense, n);
    h->sb_len_wr = (unsigned char)n;
  }
  h->info = (h->masked_status || h->host_status || h->driver_status) ? SG_INFO_CHECK : 0;
  return 0;
}

static int answer_idlun(struct Device* d, int* idlun) {
  struct KestrelSgRequest request;
  memset(&request, 0, sizeof request);
  request.kind = KESTREL_SG_ADDRESS;
  struct KestrelSgReply reply;
  if (exchange(d, &request, NULL, &reply, NULL, 0, 5000) != 0) {
    errno = ENXIO;
    return -1;
  }
  idlun[0] = (int)((uint32_t)reply.target | (uint32_t)reply.lun << 8 | (uint32_t)reply.path << 16 |
                   (uint32_t)reply.port << 24);
  idlun[1] = reply.port;
  return 0;
}

/* 1 when the request was ours (result in *result), 0 to pass it on. */
static int handle_ioctl(int fd, unsigned long request, void* arg, int* result) {
  if (request != SG_IO && request != SCSI_IOCTL_GET_IDLUN && request != SG_GET_VERSION_NUM)
    return 0;
  int index = mapped_fd(fd);
  if (index < 0) return 0;
  if (!arg) {
    errno = EFAULT;
    *result = -1;
    return 1;
  }
  pthread_mutex_lock(&lock);
  struct Device* d = &devices[index];
  if (request == SG_IO) {
    *result = answer_sg_io(d, fd, (struct sg_io_hdr*)arg);
  } else if (request == SCSI_IOCTL_GET_IDLUN) {
    *result = answer_idlun(d, (int*)arg);
  } else {
    *(int*)arg = SG_VERSION_ANSWERED;
    *result = 0;
  }
  pthread_mutex_unlock(&lock);
  return 1;
}

__attribute__((visibility("default"))) int ioctl(int fd, unsigned long request, ...) {
  va_list args;
  va_start(args, request);
  void* arg = va_arg(args, void*);
  va_end(args);
  int result;
  if (handle_ioctl(fd, request, arg, &result)) return result;
  static IoctlFn real;
  if (!real) real = (IoctlFn)next_symbol("ioctl");
  return real(fd, request, arg);
}

#if defined(__i386__)
__attribute__((visibility("default"))) int __ioctl_time64(int fd, unsigned long request, ...) {
  va_list args;
  va_start(args, request);
  void* arg = va_arg(args, void*);
  va_end(args);
  int result;
  if (handle_ioctl(fd, request, arg, &result)) return result;
  static IoctlFn real;
  if (!real) real = (IoctlFn)next_symbol("__ioctl_time64");
  if (!real) real = (IoctlFn)next_symbol("ioctl");
  return real(fd, request, arg);
}
#endif
