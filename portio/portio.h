/* Byte access to x86 I/O ports for the curve tracer program.
 *
 * OutPort writes the low 8 bits of value to the port given by the low 16 bits
 * of port and returns value & 0xFF. InPort reads one byte, 0..255.
 *
 * On Linux the library gets access by itself. PortAccessError tells the
 * caller whether a port can be used: 0 if it can; otherwise nonzero with a
 * message (port, reason, what would give access) in buffer. A port that
 * cannot be used is never written to, and reads from it give 0xFF. */
#ifndef PORTIO_H
#define PORTIO_H

#ifdef _WIN32
#define PORTIO_CALL __stdcall
#define PORTIO_EXPORT
#else
#define PORTIO_CALL
#define PORTIO_EXPORT __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

PORTIO_EXPORT int PORTIO_CALL OutPort(int port, int value);
PORTIO_EXPORT int PORTIO_CALL InPort(int port);
#ifndef _WIN32
PORTIO_EXPORT int PORTIO_CALL PortAccessError(int port, char* buffer, int size);
#endif

#ifdef __cplusplus
}
#endif

#endif
