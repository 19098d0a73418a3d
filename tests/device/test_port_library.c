/* A stand-in port library for the binding's tests: the two exports, or
 * only OutPort when built with OUT_ONLY. */
#include "portio/portio.h"

static int lastValue;

int PORTIO_CALL OutPort(int port, int value) {
  lastValue = (port & 0xFF) ^ value;
  return value & 0xFF;
}

#ifndef OUT_ONLY
int PORTIO_CALL InPort(int port) { return (lastValue ^ port) & 0xFF; }
#endif
