/* fstat, stat, lstat and fstatat in the plain and the 64-bit (stat64)
 * layouts; see sg_preload.c. */
#define _GNU_SOURCE
#include "stat_hooks.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <stdint.h>
#include <sys/stat.h>

#include "sg_preload.h"

#define KESTREL_STAT_HOOKS(TYPE, FSTAT, STAT, LSTAT, FSTATAT)                             \
  __attribute__((visibility("default"))) int FSTAT(int fd, TYPE* st) {                    \
    static int (*real)(int, TYPE*);                                                       \
    if (!real) real = (int (*)(int, TYPE*))dlsym(RTLD_NEXT, #FSTAT);                      \
    int r = real(fd, st);                                                                 \
    if (r == 0) KESTREL_PATCH(st);                                                        \
    return r;                                                                             \
  }                                                                                       \
  __attribute__((visibility("default"))) int STAT(const char* path, TYPE* st) {           \
    static int (*real)(const char*, TYPE*);                                               \
    if (!real) real = (int (*)(const char*, TYPE*))dlsym(RTLD_NEXT, #STAT);               \
    int r = real(path, st);                                                               \
    if (r == 0) KESTREL_PATCH(st);                                                        \
    return r;                                                                             \
  }                                                                                       \
  __attribute__((visibility("default"))) int LSTAT(const char* path, TYPE* st) {          \
    static int (*real)(const char*, TYPE*);                                               \
    if (!real) real = (int (*)(const char*, TYPE*))dlsym(RTLD_NEXT, #LSTAT);              \
    int r = real(path, st);                                                               \
    if (r == 0) KESTREL_PATCH(st);                                                        \
    return r;                                                                             \
  }                                                                                       \
  __attribute__((visibility("default"))) int FSTATAT(int dir, const char* path, TYPE* st, \
                                                     int flags) {                         \
    static int (*real)(int, const char*, TYPE*, int);                                     \
    if (!real) real = (int (*)(int, const char*, TYPE*, int))dlsym(RTLD_NEXT, #FSTATAT);  \
    int r = real(dir, path, st, flags);                                                   \
    if (r == 0) KESTREL_PATCH(st);                                                        \
    return r;                                                                             \
  }

#ifdef KESTREL_TIME64
/* Built with _FILE_OFFSET_BITS=64 and _TIME_BITS=64, so struct stat is the
 * layout these names take. */
KESTREL_STAT_HOOKS(struct stat, __fstat64_time64, __stat64_time64, __lstat64_time64,
                   __fstatat64_time64)
#else
KESTREL_STAT_HOOKS(struct stat, fstat, stat, lstat, fstatat)
KESTREL_STAT_HOOKS(struct stat64, fstat64, stat64, lstat64, fstatat64)
#endif
