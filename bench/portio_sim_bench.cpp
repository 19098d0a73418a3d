// What one call into the simulated port library costs. The program's pauses
// are counted reads of the data register, so that read must be cheap and
// steady; the full transfers show what a DAC word and a conversion take
// without the pauses.
#include <benchmark/benchmark.h>

#include "bench/port_library.h"
#include "tests/simulator/port_driver.h"

namespace {

constexpr int kData = 0x378, kStatus = 0x379;

kvt::PortLibrary& Lib() { return kvt::SimulatedLibrary(KVT_SIM_LIBRARY, kData); }

void BM_InPortData(benchmark::State& state) {
  kvt::InFn in = Lib().in;
  for (auto _ : state) benchmark::DoNotOptimize(in(kData));
}
BENCHMARK(BM_InPortData);

void BM_OutPortData(benchmark::State& state) {
  // The DAC clock going up and down with the frame high: every write goes
  // through the converters' line logic.
  kvt::OutFn out = Lib().out;
  int value = 0x04;
  for (auto _ : state) {
    value ^= 0x01;
    benchmark::DoNotOptimize(out(kData, value));
  }
}
BENCHMARK(BM_OutPortData);

void BM_InPortStatus(benchmark::State& state) {
  // Includes the look at the clock that paces the control-file check.
  kvt::InFn in = Lib().in;
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
