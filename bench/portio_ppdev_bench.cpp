// One port call through the real port library and the parallel port device
// (the stand-in answers its ioctls), beside the same call into the simulated
// library and beside one real system call, which is the least a real ppdev
// ioctl costs before the port's own bus cycle.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "bench/port_library.h"
#include "tests/ppdev/ppdev_standin.h"

namespace kvt {
namespace {

constexpr int kData = 0x378;

PortLibrary& Simulated() { return SimulatedLibrary(KVT_SIM_LIBRARY, kData); }

PortLibrary& ThroughDevice() {
  static PortLibrary library = [] {
    PpdevStandInReset("none", "component = diode\n");
    return PortLibrary(KVT_PORTIO_LIBRARY, kData);
  }();
  return library;
}

void BM_SimulatedInPortData(benchmark::State& state) {
  InFn in = Simulated().in;
  for (auto _ : state) benchmark::DoNotOptimize(in(kData));
}
BENCHMARK(BM_SimulatedInPortData);

void BM_DeviceInPortData(benchmark::State& state) {
  InFn in = ThroughDevice().in;
  for (auto _ : state) benchmark::DoNotOptimize(in(kData));
}
BENCHMARK(BM_DeviceInPortData);

void BM_DeviceOutPortData(benchmark::State& state) {
  OutFn out = ThroughDevice().out;
  int value = 0x04;
  for (auto _ : state) {
    value ^= 0x01;
    benchmark::DoNotOptimize(out(kData, value));
  }
}
BENCHMARK(BM_DeviceOutPortData);

void BM_DeviceInPortControl(benchmark::State& state) {
  InFn in = ThroughDevice().in;
  for (auto _ : state) benchmark::DoNotOptimize(in(kData + 2));
}
BENCHMARK(BM_DeviceInPortControl);

// An ioctl the kernel turns down at once: the system call alone.
void BM_KernelIoctlRoundTrip(benchmark::State& state) {
  const int fd = ::open("/dev/null", O_RDONLY);
  int pending = 0;
  for (auto _ : state) benchmark::DoNotOptimize(::ioctl(fd, FIONREAD, &pending));
  ::close(fd);
}
BENCHMARK(BM_KernelIoctlRoundTrip);

}  // namespace
}  // namespace kvt

BENCHMARK_MAIN();
