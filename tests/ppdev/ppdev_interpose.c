/* The C library calls the real port library makes, caught for the paths
 * and files of the parallel port device and handed to the stand-in; any
 * other call goes straight on to the C library. */
#define _GNU_SOURCE
#include <dirent.h>
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdarg.h>
#include <string.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "ppdev_standin.h"

#define VISIBLE __attribute__((visibility("default")))

static void* Next(const char* name) { return dlsym(RTLD_NEXT, name); }

static int Candidate(const char* path) {
  return path && (strncmp(path, "/proc/", 6) == 0 || strncmp(path, "/dev/parport", 12) == 0);
}

static int OpenWith(const char* name, const char* path, int flags, mode_t mode) {
  typedef int (*OpenFn)(const char*, int, ...);
  static OpenFn next[2];
  const int which = strcmp(name, "open") == 0 ? 0 : 1;
  if (!next[which]) next[which] = (OpenFn)Next(name);
  if (Candidate(path)) {
    char redirected[512];
    switch (PpdevStandInPath(path, redirected, sizeof redirected)) {
      case PpdevRedirect: return next[which](redirected, flags, mode);
      case PpdevDeviceNode: return PpdevStandInOpen(path, flags);
      default: break;
    }
  }
  return next[which](path, flags, mode);
}

static mode_t ModeOf(int flags, va_list args) {
  return (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE ? (mode_t)va_arg(args, int) : 0;
}

VISIBLE int open(const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  const mode_t mode = ModeOf(flags, args);
  va_end(args);
  return OpenWith("open", path, flags, mode);
}

VISIBLE int open64(const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  const mode_t mode = ModeOf(flags, args);
  va_end(args);
  return OpenWith("open64", path, flags, mode);
}

VISIBLE DIR* opendir(const char* path) {
  typedef DIR* (*OpendirFn)(const char*);
  static OpendirFn next;
  if (!next) next = (OpendirFn)Next("opendir");
  char redirected[512];
  if (Candidate(path) && PpdevStandInPath(path, redirected, sizeof redirected) == PpdevRedirect)
    return next(redirected);
  return next(path);
}

VISIBLE int ioctl(int fd, unsigned long request, ...) {
  typedef int (*IoctlFn)(int, unsigned long, ...);
  static IoctlFn next;
  if (!next) next = (IoctlFn)Next("ioctl");
  va_list args;
  va_start(args, request);
  void* argument = va_arg(args, void*);
  va_end(args);
  if (PpdevStandInOwns(fd)) return PpdevStandInIoctl(fd, request, argument);
  return next(fd, request, argument);
}

VISIBLE int close(int fd) {
  typedef int (*CloseFn)(int);
  static CloseFn next;
  if (!next) next = (CloseFn)Next("close");
  if (PpdevStandInOwns(fd)) PpdevStandInClosing(fd);
  return next(fd);
}

/* Raw port access is never granted: the port instructions that would
 * follow cannot be caught. An unprivileged user gets EPERM from the
 * kernel's ksys_ioperm (arch/x86/kernel/ioport.c). */
VISIBLE int ioperm(unsigned long from, unsigned long count, int on) {
  (void)from;
  (void)count;
  (void)on;
  errno = EPERM;
  return -1;
}
