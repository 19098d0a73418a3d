/* The kernel's parallel port device, played in user space for the tests of
 * the real port library: the lists under /proc that the library reads,
 * /dev/parportN, and the ioctls of ppdev on a parport_pc port, with the
 * simulated instrument on the port's connector.
 *
 * Linked into a test program (or preloaded), it answers open, opendir,
 * ioctl, close and ioperm for those paths and files only; everything else
 * goes to the C library.
 *
 * Without a call of PpdevStandInReset it sets itself up from the
 * environment: KVT_PPDEV_FAILURE names the failure to present (see below),
 * and the instrument reads the simulator's control file (KVT_SIM_CONFIG, or
 * kvt_sim.txt in the current folder), watched while the program runs. */
#ifndef PPDEV_STANDIN_H
#define PPDEV_STANDIN_H

#ifdef __cplusplus
extern "C" {
#endif

/* A fresh machine: every earlier open file of the device is forgotten, the
 * instrument is built from `instrument` (control file text of the simulated
 * instrument; its base becomes parportN's address). failure is one of
 *   "none"        a port at the instrument's base, free to claim
 *   "no-device"   no /dev/parport0: the ppdev driver is not loaded
 *   "no-driver"   /dev/parport0 exists but no driver answers it
 *   "denied"      /dev/parport0 may not be opened by this user
 *   "busy"        another program holds the port
 *   "no-parport"  the kernel lists no parallel port at all
 *   "elsewhere"   the kernel's only parallel port sits at 0x278
 * Returns 0, or -1 for an unknown failure. */
int PpdevStandInReset(const char* failure, const char* instrument);

/* Turns the instrument's knobs (component, switch, noise) as the control
 * file would, keeping its registers and applied output. */
void PpdevStandInConfigure(const char* instrument);

typedef struct {
  int openFiles;       /* open files of /dev/parport0 */
  int claimed;         /* one of them holds the port */
  int reversed;        /* data lines turned around (control bit 5) */
  int control;         /* the control register as the hardware holds it */
  int blinkLine;       /* the instrument's blink line */
  long blinkToggles;
  int appliedCode;     /* the DAC's output code */
  long conversions;
  int blockedClaims;   /* claims that a real kernel would have kept waiting */
} PpdevStandInState;

PpdevStandInState PpdevStandInRead(void);

/* The hooks the interposed C library calls use (ppdev_interpose.c). */
enum { PpdevNotOurs = 0, PpdevRedirect = 1, PpdevDeviceNode = 2 };
int PpdevStandInPath(const char* path, char* redirected, unsigned long size);
int PpdevStandInOpen(const char* path, int flags);
int PpdevStandInOwns(int fd);
int PpdevStandInIoctl(int fd, unsigned long request, void* argument);
void PpdevStandInClosing(int fd);

#ifdef __cplusplus
}
#endif

#endif
