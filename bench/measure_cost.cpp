// What one kvt measure should cost against the simulated instrument: the
// delay calibration once, then MeasurePoint per point, each timed here in
// the same process setting as the command. Prints both in seconds.
//
//   measure_cost [points]
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "core/typed_options.h"
#include "core/steady_clock.h"
#include "device/device_routines.h"
#include "device/library_port_io.h"

using namespace kvt;

int main(int argc, char** argv) {
  const int points = argc > 1 ? std::atoi(argv[1]) : 256;
  const TypedOptions options;  // the defaults
  LibraryPortIo port([](const std::string& message) { std::fprintf(stderr, "%s\n", message.c_str()); },
                     QStringLiteral(KVT_SIM_LIBRARY), {});
  SteadyClock clock;
  Device device(port, clock, options.Device());
  device.SetupPorts();
  using Wall = std::chrono::steady_clock;
  const auto calibrationStart = Wall::now();
  device.CalibrateDelay();
  const double calibration = std::chrono::duration<double>(Wall::now() - calibrationStart).count();

  const auto start = Wall::now();
  for (int i = 0; i < points; ++i) device.MeasurePoint(VoltsFromCode(i * 1024 / points));
  const double perPoint = std::chrono::duration<double>(Wall::now() - start).count() / points;
  std::printf("calibration_s %.6f\nmeasure_point_s %.9f\n", calibration, perPoint);
  return 0;
}
