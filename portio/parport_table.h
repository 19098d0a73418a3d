/* Reading the kernel's lists of parallel ports. */
#ifndef PARPORT_TABLE_H
#define PARPORT_TABLE_H

#ifdef __cplusplus
extern "C" {
#endif

/* Base address from the text of /proc/sys/dev/parport/parportN/base-addr
 * ("888\t1912\n": base and high base in decimal); -1 if there is none. */
int ParportBaseFromText(const char* text);

/* Looks in the text of /proc/ioports for a range named "parport..." that
 * holds port. Returns 1 and the range's first and last port if there is one,
 * else 0. */
int ParportRangeFromIoports(const char* text, int port, int* first, int* last);

/* 1 if /proc/ioports shows every range as 0000-0000, as it does to
 * unprivileged users. */
int IoportsAddressesHidden(const char* text);

/* Number N of a directory entry "parportN"; -1 for any other name. */
int ParportNumberFromName(const char* name);

#ifdef __cplusplus
}
#endif

#endif
