/* A stand-in port library for the binding's tests: the two exports, or
 * only OutPort when built with OUT_ONLY; with ACCESS_CHECK it also answers
 * PortAccessError and refuses every port below 0x100. */
#include <stdio.h>

#include "portio/portio.h"

static int lastValue;

int PORTIO_CALL OutPort(int port, int value) {
  lastValue = (port & 0xFF) ^ value;
  return value & 0xFF;
}

#ifndef OUT_ONLY
int PORTIO_CALL InPort(int port) { return (lastValue ^ port) & 0xFF; }
#endif

#ifdef ACCESS_CHECK
int PORTIO_CALL PortAccessError(int port, char* buffer, int size) {
  const int refused = (port & 0xFFFF) < 0x100;
  if (buffer && size > 0) snprintf(buffer, (size_t)size, refused ? "port 0x%X refused" : "", port & 0xFFFF);
  return refused;
}
#endif
