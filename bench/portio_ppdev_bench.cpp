// One port call through the real port library and the parallel port device
// (the stand-in answers its ioctls), beside the same call into the simulated
// library and beside one real system call, which is the least a real ppdev
// ioctl costs before the port's own bus cycle.
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "tests/ppdev/ppdev_standin.h"

namespace kvt {
namespace {

using OutFn = int (*)(int, int);
using InFn = int (*)(int);
using AccessFn = int (*)(int, char*, int);

constexpr int kData = 0x378;

struct Library {
  OutFn out = nullptr;
  InFn in = nullptr;
  explicit Library(const char* file) {
    void* handle = dlopen(file, RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
      std::fprintf(stderr, "%s\n", dlerror());
      std::exit(1);
    }
    out = reinterpret_cast<OutFn>(dlsym(handle, "OutPort"));
    in = reinterpret_cast<InFn>(dlsym(handle, "InPort"));
    if (!out || !in) std::exit(1);
    if (auto access = reinterpret_cast<AccessFn>(dlsym(handle, "PortAccessError"))) {
      char message[1024];
      if (access(kData, message, sizeof message)) {
        std::fprintf(stderr, "%s\n", message);
        std::exit(1);
      }
    }
  }
};

Library& Simulated() {
  static Library library = [] {
    setenv("KVT_SIM_CONFIG", "/nonexistent/kvt_sim.txt", 0);
    return Library(KVT_SIM_LIBRARY);
  }();
  return library;
}

Library& ThroughDevice() {
  static Library library = [] {
    PpdevStandInReset("none", "component = diode\n");
    return Library(KVT_PORTIO_LIBRARY);
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
