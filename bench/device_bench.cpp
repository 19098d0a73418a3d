// Pauses after a real calibration, against an in-process port whose every
// access costs a fixed time: 1000 ns is an ISA-bus port instruction, 300 ns
// about a kernel parallel port call, 0 a plain function call (as with the
// simulated instrument).
#include <benchmark/benchmark.h>

#include <chrono>
#include <map>
#include <memory>

#include "core/typed_options.h"
#include "device/device_routines.h"
#include "core/steady_clock.h"

using namespace kvt;

namespace {

using std::chrono::nanoseconds;
using std::chrono::steady_clock;

class TimedPort : public PortIo {
 public:
  explicit TimedPort(long costNs) : cost_(costNs) {}
  int OutPort(int port, int value) override {
    Spend();
    if (port == 0x378) data_ = value & 0xFF;
    return value & 0xFF;
  }
  int InPort(int port) override {
    Spend();
    return port == 0x378 ? data_ : 0;
  }

 private:
  void Spend() const {
    if (cost_.count() == 0) return;
    const auto until = steady_clock::now() + cost_;
    while (steady_clock::now() < until) {
    }
  }
  nanoseconds cost_;
  int data_ = 0;
};

struct Rig {
  explicit Rig(long costNs) : port(costNs), device(port, clock, options.Device()) {
    device.SetupPorts();
    const auto start = steady_clock::now();
    device.CalibrateDelay();
    calibrationSeconds = std::chrono::duration<double>(steady_clock::now() - start).count();
  }
  TypedOptions options;  // the defaults
  TimedPort port;
  SteadyClock clock;
  Device device;
  double calibrationSeconds = 0;
};

// One calibrated rig per port cost, shared by the benchmarks.
Rig& RigFor(long costNs) {
  static std::map<long, std::unique_ptr<Rig>> rigs;
  auto& rig = rigs[costNs];
  if (!rig) rig = std::make_unique<Rig>(costNs);
  return *rig;
}

void BM_WaitMicroseconds(benchmark::State& state) {
  Rig& rig = RigFor(state.range(0));
  const auto n = static_cast<std::int32_t>(state.range(1));
  double seconds = 0;
  for (auto _ : state) {
    const auto start = steady_clock::now();
    rig.device.WaitMicroseconds(n);
    seconds += std::chrono::duration<double>(steady_clock::now() - start).count();
  }
  const double actualUs = seconds * 1e6 / static_cast<double>(state.iterations());
  state.counters["wanted_us"] = n;
  state.counters["actual_us"] = actualUs;
  state.counters["actual/wanted"] = actualUs / n;
  state.counters["reads_per_us"] = rig.device.ReadsPerMicrosecond();
  state.counters["calibration_s"] = rig.calibrationSeconds;
}
BENCHMARK(BM_WaitMicroseconds)
    ->ArgsProduct({{1000, 300, 0}, {10, 100, 1000}})
    ->ArgNames({"port_ns", "us"})
    ->Unit(benchmark::kMicrosecond);

// Default settings: 100 us after each output, 4 conversions per point, so
// 22 * (1 + 4) = 110 pauses, 11 ms of pauses at best.
void BM_MeasurePoint(benchmark::State& state) {
  Rig& rig = RigFor(state.range(0));
  double seconds = 0;
  for (auto _ : state) {
    const auto start = steady_clock::now();
    benchmark::DoNotOptimize(rig.device.MeasurePoint(0.0));
    seconds += std::chrono::duration<double>(steady_clock::now() - start).count();
  }
  const double ms = seconds * 1e3 / static_cast<double>(state.iterations());
  state.counters["ideal_ms"] = 11.0;
  state.counters["actual_ms"] = ms;
  state.counters["actual/ideal"] = ms / 11.0;
}
BENCHMARK(BM_MeasurePoint)
    ->Arg(1000)
    ->Arg(300)
    ->Arg(0)
    ->ArgNames({"port_ns"})
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
