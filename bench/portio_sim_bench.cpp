// What one call into the simulated port library costs. The program's pauses
// are counted reads of the data register, so that read must be cheap and
// steady; the full transfers show what a DAC word and a conversion take
// without the pauses.
#include <benchmark/benchmark.h>
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>

#include "tests/simulator/port_driver.h"

namespace {

using OutFn = int (*)(int, int);
using InFn = int (*)(int);

struct Library {
  OutFn out = nullptr;
  InFn in = nullptr;
  Library() {
    // The built-in set-up: no control file unless the caller names one.
    setenv("KVT_SIM_CONFIG", "/nonexistent/kvt_sim.txt", 0);
    void* handle = dlopen(KVT_SIM_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
      std::fprintf(stderr, "%s\n", dlerror());
      std::exit(1);
    }
    out = reinterpret_cast<OutFn>(dlsym(handle, "OutPort"));
    in = reinterpret_cast<InFn>(dlsym(handle, "InPort"));
    if (!out || !in) std::exit(1);
  }
};

Library& Lib() {
  static Library library;
  return library;
}

constexpr int kData = 0x378, kStatus = 0x379;

void BM_InPortData(benchmark::State& state) {
  InFn in = Lib().in;
  for (auto _ : state) benchmark::DoNotOptimize(in(kData));
}
BENCHMARK(BM_InPortData);

void BM_OutPortData(benchmark::State& state) {
  // The DAC clock going up and down with the frame high: every write goes
  // through the converters' line logic.
  OutFn out = Lib().out;
  int value = 0x04;
  for (auto _ : state) {
    value ^= 0x01;
    benchmark::DoNotOptimize(out(kData, value));
  }
}
BENCHMARK(BM_OutPortData);

void BM_InPortStatus(benchmark::State& state) {
  // Includes the look at the clock that paces the control-file check.
  InFn in = Lib().in;
  for (auto _ : state) benchmark::DoNotOptimize(in(kStatus));
}
BENCHMARK(BM_InPortStatus);

void BM_DacWord(benchmark::State& state) {
  PortDriver driver(Lib().out, Lib().in);
  int code = 0;
  for (auto _ : state) {
    driver.WriteDac(code);
    code = (code + 1) & 1023;
  }
}
BENCHMARK(BM_DacWord);

void BM_AdcConversion(benchmark::State& state) {
  PortDriver driver(Lib().out, Lib().in);
  driver.WriteDac(700);
  for (auto _ : state) benchmark::DoNotOptimize(driver.ReadAdc());
}
BENCHMARK(BM_AdcConversion);

}  // namespace

BENCHMARK_MAIN();
