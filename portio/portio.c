/* The port I/O library: one byte in or out per call.
 *
 * Windows: the port instructions themselves (allowed to user programs on the
 * systems the program was first written for). Linux: the parallel port device
 * of the kernel when one sits at the address, which needs no root; otherwise
 * raw port instructions after ioperm, on x86 only and only for addresses the
 * kernel lists as a parallel port. Any other port is never touched. */
#ifndef _WIN32
#define _GNU_SOURCE
#endif
#include "portio.h"

#ifdef _WIN32

#include <windows.h>

#ifdef _MSC_VER
#include <intrin.h>
static void PortWrite(unsigned short port, unsigned char value) { __outbyte(port, value); }
static unsigned char PortRead(unsigned short port) { return __inbyte(port); }
#else
static void PortWrite(unsigned short port, unsigned char value) {
  __asm__ __volatile__("outb %0, %1" : : "a"(value), "Nd"(port));
}
static unsigned char PortRead(unsigned short port) {
  unsigned char value;
  __asm__ __volatile__("inb %1, %0" : "=a"(value) : "Nd"(port));
  return value;
}
#endif

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)instance;
  (void)reason;
  (void)reserved;
  return TRUE;
}

int PORTIO_CALL OutPort(int port, int value) {
  PortWrite((unsigned short)(port & 0xFFFF), (unsigned char)(value & 0xFF));
  return value & 0xFF;
}

int PORTIO_CALL InPort(int port) { return PortRead((unsigned short)(port & 0xFFFF)); }

#else /* Linux */

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <linux/ppdev.h>
#include <stdio.h>
#include <string.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "parport_table.h"

#if defined(__i386__) || defined(__x86_64__)
#include <sys/io.h>
#define PORTIO_RAW 1
#else
#define PORTIO_RAW 0
#endif

/* A granted range of ports: a claimed parallel port device (fd, registers
 * first..first+2) or raw port instructions (fd -1). Calls come from one
 * thread, as the program makes them; the table is not locked. */
typedef struct {
  int first;
  int last;
  int fd;
} Grant;

enum { MaxGrants = 8, ReasonSize = 400 };
static Grant grants[MaxGrants];
static int grantCount;
static unsigned char refused[0x10000 / 8]; /* keeps calls on a refused port cheap */

static int IsRefused(int port) { return refused[port >> 3] & (1u << (port & 7)); }
static void SetRefused(int port, int on) {
  if (on) refused[port >> 3] |= (unsigned char)(1u << (port & 7));
  else refused[port >> 3] &= (unsigned char)~(1u << (port & 7));
}

static const char HowToGetAccess[] =
    "Access needs a parallel port device at this address that the program may open "
    "(/dev/parportN of the kernel's ppdev driver, for instance as a member of the group "
    "\"lp\"), or the right to use raw I/O ports (CAP_SYS_RAWIO, for instance as root) on a "
    "port that the kernel lists as \"parport\" in /proc/ioports.";

static const Grant* FindGrant(int port) {
  for (int i = 0; i < grantCount; ++i)
    if (port >= grants[i].first && port <= grants[i].last) return &grants[i];
  return NULL;
}

static const Grant* AddGrant(int first, int last, int fd) {
  if (grantCount == MaxGrants) return NULL;
  grants[grantCount].first = first;
  grants[grantCount].last = last;
  grants[grantCount].fd = fd;
  return &grants[grantCount++];
}

/* Reads a small text file whole; 0 if it cannot be read. */
static int ReadText(const char* path, char* buffer, size_t size) {
  const int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  size_t used = 0;
  while (used + 1 < size) {
    const ssize_t got = read(fd, buffer + used, size - 1 - used);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    used += (size_t)got;
  }
  close(fd);
  buffer[used] = '\0';
  return 1;
}

/* The kernel's parallel port device whose registers hold port: opened and
 * claimed once. why gets the failure when such a device exists but cannot be
 * used. */
static const Grant* GrantDevice(int port, char* why, size_t size) {
  DIR* dir = opendir("/proc/sys/dev/parport");
  if (!dir) return NULL;
  const Grant* grant = NULL;
  struct dirent* entry;
  while (!grant && (entry = readdir(dir)) != NULL) {
    const int number = ParportNumberFromName(entry->d_name);
    if (number < 0) continue;
    char path[64];
    char text[64];
    snprintf(path, sizeof path, "/proc/sys/dev/parport/parport%d/base-addr", number);
    if (!ReadText(path, text, sizeof text)) continue;
    const int base = ParportBaseFromText(text);
    if (base < 0 || port < base || port > base + 2) continue;

    snprintf(path, sizeof path, "/dev/parport%d", number);
    const int fd = open(path, O_RDWR | O_CLOEXEC);
    if (fd < 0) {
      snprintf(why, size, "%s cannot be opened (%s)", path, strerror(errno));
      continue;
    }
    if (ioctl(fd, PPCLAIM) != 0) {
      snprintf(why, size, "%s cannot be claimed (%s)", path, strerror(errno));
      close(fd);
      continue;
    }
    grant = AddGrant(base, base + 2, fd);
    if (!grant) {
      snprintf(why, size, "too many parallel ports are in use");
      close(fd);
    }
  }
  closedir(dir);
  return grant;
}

/* Raw port instructions for a port that /proc/ioports names "parport...". */
static const Grant* GrantRaw(int port, char* why, size_t size, int* hidden) {
#if PORTIO_RAW
  static char text[16384];
  if (!ReadText("/proc/ioports", text, sizeof text)) return NULL;
  int first = 0;
  int last = 0;
  if (!ParportRangeFromIoports(text, port, &first, &last)) {
    *hidden = IoportsAddressesHidden(text);
    return NULL;
  }
  if (ioperm((unsigned long)first, (unsigned long)(last - first + 1), 1) != 0) {
    snprintf(why, size, "raw port access was refused (ioperm: %s)", strerror(errno));
    return NULL;
  }
  const Grant* grant = AddGrant(first, last, -1);
  if (!grant) snprintf(why, size, "too many parallel ports are in use");
  return grant;
#else
  (void)port;
  (void)why;
  (void)size;
  (void)hidden;
  return NULL;
#endif
}

/* The grant for port, made at the first use; NULL with the reason otherwise. */
static const Grant* Access(int port, char* reason, size_t size) {
  const Grant* grant = FindGrant(port);
  if (grant) return grant;
  if (!reason && IsRefused(port)) return NULL;

  char deviceWhy[ReasonSize] = "";
  char rawWhy[ReasonSize] = "";
  int hidden = 0;
  grant = GrantDevice(port, deviceWhy, sizeof deviceWhy);
  if (!grant) grant = GrantRaw(port, rawWhy, sizeof rawWhy, &hidden);
  SetRefused(port, grant == NULL);
  if (grant) return grant;
  if (reason) {
    if (deviceWhy[0] && rawWhy[0])
      snprintf(reason, size, "%s, and %s", deviceWhy, rawWhy);
    else if (deviceWhy[0] || rawWhy[0])
      snprintf(reason, size, "%s", deviceWhy[0] ? deviceWhy : rawWhy);
    else
      snprintf(reason, size,
               "the kernel knows no parallel port at this address (none in "
               "/proc/sys/dev/parport, none named \"parport\" in /proc/ioports%s)",
               hidden ? ", which shows addresses only to privileged users" : "");
  }
  return NULL;
}

int PORTIO_CALL PortAccessError(int port, char* buffer, int size) {
  const int p = port & 0xFFFF;
  char reason[2 * ReasonSize + 200];
  const int refused = Access(p, reason, sizeof reason) == NULL;
  if (buffer && size > 0) {
    if (refused)
      snprintf(buffer, (size_t)size, "The I/O port 0x%X cannot be used: %s.\n\n%s", p, reason,
               HowToGetAccess);
    else
      buffer[0] = '\0';
  }
  return refused;
}

int PORTIO_CALL OutPort(int port, int value) {
  const int p = port & 0xFFFF;
  unsigned char byte = (unsigned char)(value & 0xFF);
  const Grant* grant = Access(p, NULL, 0);
  if (grant && grant->fd < 0) {
#if PORTIO_RAW
    outb(byte, (unsigned short)p);
#endif
  } else if (grant) {
    /* The status register has nothing to write. */
    if (p == grant->first) ioctl(grant->fd, PPWDATA, &byte);
    else if (p == grant->first + 2) ioctl(grant->fd, PPWCONTROL, &byte);
  }
  return value & 0xFF;
}

int PORTIO_CALL InPort(int port) {
  const int p = port & 0xFFFF;
  unsigned char byte = 0xFF; /* what an unconnected bus reads */
  const Grant* grant = Access(p, NULL, 0);
  if (grant && grant->fd < 0) {
#if PORTIO_RAW
    byte = inb((unsigned short)p);
#endif
  } else if (grant) {
    const int reg = p - grant->first;
    if (reg == 0) ioctl(grant->fd, PPRDATA, &byte);
    else if (reg == 1) ioctl(grant->fd, PPRSTATUS, &byte);
    else ioctl(grant->fd, PPRCONTROL, &byte);
  }
  return byte;
}

#endif
