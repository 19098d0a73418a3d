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
  int reversed; /* data lines turned around by control bit 5 (device only) */
} Grant;

enum { MaxGrants = 8, ReasonSize = 400, HintSize = 300, ListedSize = 80 };
enum { DirectionBit = 0x20, ControlLines = 0x0F };
static Grant grants[MaxGrants];
static int grantCount;
static unsigned char refused[0x10000 / 8]; /* keeps calls on a refused port cheap */

static int IsRefused(int port) { return refused[port >> 3] & (1u << (port & 7)); }
static void SetRefused(int port, int on) {
  if (on) refused[port >> 3] |= (unsigned char)(1u << (port & 7));
  else refused[port >> 3] &= (unsigned char)~(1u << (port & 7));
}

static const char HowToGetAccess[] =
    "Access needs read-write access to the parallel port device /dev/parportN (membership "
    "of its group, usually \"lp\"), or raw port access as root (CAP_SYS_RAWIO).";
static const char WhereTheAddressIs[] =
    "The port address is \"Port of device\" in the \"KVT Options\" dialog (PortHex, line 26 of "
    "kvt_win.cfg).";

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
  grants[grantCount].reversed = 0;
  return &grants[grantCount++];
}

/* A claimed device stays claimed while the library is loaded; closing it
 * releases the claim, so another program (or the printer driver) gets the
 * port when this one unloads the library or ends. */
__attribute__((destructor)) static void ReleaseDevices(void) {
  for (int i = 0; i < grantCount; ++i) {
    if (grants[i].fd < 0) continue;
    ioctl(grants[i].fd, PPRELEASE);
    close(grants[i].fd);
    grants[i].fd = -1;
  }
  grantCount = 0;
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

/* What may stop the device from being used, with what would help. */
typedef struct {
  char why[ReasonSize];
  char hint[HintSize];
  char listed[ListedSize]; /* the addresses the kernel lists, "0x278, 0x3BC" */
  int anyListed;
} DeviceTrouble;

/* The name of the device that holds parport number (the kernel's
 * devices/active: "none" while nobody does). Empty when unknown. */
static void PortHolder(int number, char* holder, size_t size) {
  char path[80];
  snprintf(path, sizeof path, "/proc/sys/dev/parport/parport%d/devices/active", number);
  holder[0] = '\0';
  if (!ReadText(path, holder, size)) return;
  holder[strcspn(holder, "\n")] = '\0';
  if (strcmp(holder, "none") == 0) holder[0] = '\0';
}

static void OpenTrouble(DeviceTrouble* t, const char* path, int error) {
  snprintf(t->why, sizeof t->why, "%s cannot be opened (%s)", path, strerror(error));
  if (error == EACCES || error == EPERM)
    snprintf(t->hint, sizeof t->hint,
             "Give the user read-write access to %s, usually by membership of the group "
             "\"lp\" (sudo usermod -aG lp $USER, then log in again).",
             path);
  else if (error == ENOENT || error == ENXIO || error == ENODEV)
    snprintf(t->hint, sizeof t->hint,
             "Load the kernel's parallel port device driver, which makes %s "
             "(sudo modprobe ppdev).",
             path);
  else
    t->hint[0] = '\0';
}

/* Opens and claims /dev/parport<number>. The claim waits for as long as
 * another program or driver holds the port, so a held port is reported
 * instead of claimed. */
static const Grant* ClaimDevice(int number, int base, DeviceTrouble* t) {
  char path[64];
  char holder[64];
  snprintf(path, sizeof path, "/dev/parport%d", number);
  const int fd = open(path, O_RDWR | O_CLOEXEC);
  if (fd < 0) {
    OpenTrouble(t, path, errno);
    return NULL;
  }
  PortHolder(number, holder, sizeof holder);
  if (holder[0]) {
    snprintf(t->why, sizeof t->why,
             "%s is in use by \"%s\" (another program, or the printer driver while it prints)",
             path, holder);
    snprintf(t->hint, sizeof t->hint,
             "Close the other program that uses the parallel port, then start this one again.");
    close(fd);
    return NULL;
  }
  /* The device opens in compatibility mode with the data lines driven,
   * which is what the instrument needs; no mode is set. */
  if (ioctl(fd, PPCLAIM) != 0) {
    snprintf(t->why, sizeof t->why, "%s cannot be claimed (%s)", path, strerror(errno));
    t->hint[0] = '\0';
    close(fd);
    return NULL;
  }
  const Grant* grant = AddGrant(base, base + 2, fd);
  if (!grant) {
    snprintf(t->why, sizeof t->why, "too many parallel ports are in use");
    ioctl(fd, PPRELEASE);
    close(fd);
  }
  return grant;
}

/* The kernel's parallel port device whose registers hold port: opened and
 * claimed once. */
static const Grant* GrantDevice(int port, DeviceTrouble* t) {
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
    if (base < 0) continue;
    if (port < base || port > base + 2) {
      const size_t used = strlen(t->listed);
      if (used + 10 < sizeof t->listed)
        snprintf(t->listed + used, sizeof t->listed - used, "%s0x%X", used ? ", " : "", base);
      t->anyListed = 1;
      continue;
    }
    grant = ClaimDevice(number, base, t);
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

/* The grant for port, made at the first use; NULL with the reason and what
 * would help otherwise. */
static const Grant* Access(int port, char* reason, size_t size, char* hint, size_t hintSize) {
  const Grant* grant = FindGrant(port);
  if (grant) return grant;
  if (!reason && IsRefused(port)) return NULL;

  DeviceTrouble device;
  memset(&device, 0, sizeof device);
  char rawWhy[ReasonSize] = "";
  int hidden = 0;
  grant = GrantDevice(port, &device);
  if (!grant) grant = GrantRaw(port, rawWhy, sizeof rawWhy, &hidden);
  SetRefused(port, grant == NULL);
  if (grant) return grant;
  if (reason) {
    const char* deviceWhy = device.why;
    if (deviceWhy[0] && rawWhy[0])
      snprintf(reason, size, "%s, and %s", deviceWhy, rawWhy);
    else if (deviceWhy[0] || rawWhy[0])
      snprintf(reason, size, "%s", deviceWhy[0] ? deviceWhy : rawWhy);
    else if (device.anyListed)
      snprintf(reason, size,
               "the kernel knows no parallel port at this address; it lists parallel ports "
               "at %s",
               device.listed);
    else
      snprintf(reason, size,
               "the kernel knows no parallel port at this address (none in "
               "/proc/sys/dev/parport, none named \"parport\" in /proc/ioports%s)",
               hidden ? ", which shows addresses only to privileged users" : "");
    if (device.hint[0])
      snprintf(hint, hintSize, "%s", device.hint);
    else if (!deviceWhy[0] && !rawWhy[0])
      snprintf(hint, hintSize,
               "Check the port address, and that the kernel's parallel port driver is "
               "loaded (sudo modprobe parport_pc).");
    else
      hint[0] = '\0';
  }
  return NULL;
}

int PORTIO_CALL PortAccessError(int port, char* buffer, int size) {
  const int p = port & 0xFFFF;
  char reason[2 * ReasonSize + 200];
  char hint[HintSize];
  const int refused = Access(p, reason, sizeof reason, hint, sizeof hint) == NULL;
  if (buffer && size > 0) {
    if (refused)
      snprintf(buffer, (size_t)size, "The I/O port 0x%X cannot be used: %s.\n\n%s%s%s\n\n%s", p,
               reason, hint, hint[0] ? " " : "", HowToGetAccess, WhereTheAddressIs);
    else
      buffer[0] = '\0';
  }
  return refused;
}

/* The device's control write changes only the four output lines (the
 * kernel masks the rest) and takes bit 5 as "turn the data lines around",
 * never back. A raw register write sets the direction both ways, so the
 * direction goes through its own call whenever bit 5 changes. */
static void WriteControl(Grant* grant, unsigned char byte) {
  const int reverse = (byte & DirectionBit) != 0;
  if (reverse != grant->reversed) {
    int mode = reverse;
    if (ioctl(grant->fd, PPDATADIR, &mode) == 0) grant->reversed = reverse;
  }
  unsigned char lines = byte & ControlLines;
  ioctl(grant->fd, PPWCONTROL, &lines);
}

int PORTIO_CALL OutPort(int port, int value) {
  const int p = port & 0xFFFF;
  unsigned char byte = (unsigned char)(value & 0xFF);
  Grant* grant = (Grant*)Access(p, NULL, 0, NULL, 0);
  if (grant && grant->fd < 0) {
#if PORTIO_RAW
    outb(byte, (unsigned short)p);
#endif
  } else if (grant) {
    /* The status register has nothing to write. */
    if (p == grant->first) ioctl(grant->fd, PPWDATA, &byte);
    else if (p == grant->first + 2) WriteControl(grant, byte);
  }
  return value & 0xFF;
}

int PORTIO_CALL InPort(int port) {
  const int p = port & 0xFFFF;
  unsigned char byte = 0xFF; /* what an unconnected bus reads */
  const Grant* grant = Access(p, NULL, 0, NULL, 0);
  if (grant && grant->fd < 0) {
#if PORTIO_RAW
    byte = inb((unsigned short)p);
#endif
  } else if (grant) {
    const int reg = p - grant->first;
    if (reg == 0) ioctl(grant->fd, PPRDATA, &byte);
    else if (reg == 1) ioctl(grant->fd, PPRSTATUS, &byte);
    else if (ioctl(grant->fd, PPRCONTROL, &byte) == 0 && grant->reversed) byte |= DirectionBit;
  }
  return byte;
}

#endif
