// The time of one live sweep against the same points measured with plain
// back-to-back MeasurePoint calls, on the simulated instrument after a real
// calibration: ticked bare, and ticked by a 0 ms timer through an event loop
// as the board window ticks it. Prints both ratios; the goal is under 1.05.
//
//   live_sweep [points] [sweeps] [rounds]
#include <QCoreApplication>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "core/steady_clock.h"
#include "core/typed_options.h"
#include "device/device_routines.h"
#include "device/library_port_io.h"
#include "device/live_sweep.h"

using namespace kvt;

namespace {

using Wall = std::chrono::steady_clock;

double Seconds(Wall::time_point since) { return std::chrono::duration<double>(Wall::now() - since).count(); }

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const int points = argc > 1 ? std::atoi(argv[1]) : 256;
  const int sweeps = argc > 2 ? std::atoi(argv[2]) : 20;
  const int rounds = argc > 3 ? std::atoi(argv[3]) : 5;
  const TypedOptions options;  // the defaults
  LibraryPortIo port([](const std::string& message) { std::fprintf(stderr, "%s\n", message.c_str()); },
                     QStringLiteral(KVT_SIM_LIBRARY), {});
  SteadyClock clock;
  MeasuringSession session(port, clock, options.Device());
  session.Connect();
  session.Range().Poll();

  // Rounds side by side, so a busy machine slows all three alike; the
  // fastest round of each counts.
  double plain = 1e9, bare = 1e9, timed = 1e9;
  for (int round = 0; round < rounds; ++round) {
    auto start = Wall::now();
    for (int s = 0; s < sweeps; ++s)
      for (int i = 0; i < points; ++i) session.Instrument().MeasurePoint(VoltsFromCode(i * 1024 / points));
    plain = std::min(plain, Seconds(start) / sweeps);

    long handed = 0;
    LiveSweep live(session, points, [&](const Curve&) { ++handed; });
    live.Start();
    start = Wall::now();
    live.Run([&] { return handed == sweeps; });
    bare = std::min(bare, Seconds(start) / sweeps);

    handed = 0;
    QTimer timer;
    timer.setInterval(0);
    LiveSweep ticked(session, points, [&](const Curve&) {
      if (++handed == sweeps) app.quit();
    });
    QObject::connect(&timer, &QTimer::timeout, [&] { ticked.Tick(); });
    ticked.Start();
    start = Wall::now();
    timer.start();
    app.exec();
    timer.stop();
    timed = std::min(timed, Seconds(start) / sweeps);
  }
  std::printf("points %d, sweeps %d, rounds %d\n", points, sweeps, rounds);
  std::printf("measure_point_s %.9f\n", plain / points);
  std::printf("sweep_plain_s %.6f\nsweep_live_s %.6f  ratio %.4f\nsweep_live_timer_s %.6f  ratio %.4f\n", plain, bare,
              bare / plain, timed, timed / plain);
  return 0;
}
