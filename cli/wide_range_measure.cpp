#include "cli/wide_range_measure.h"

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "device/measuring_session.h"
#include "device/wide_range_capture.h"

namespace kvt {

std::optional<StitchedCurve> MeasureOnRanges(MeasuringSession& session, const std::vector<double>& rangesOhms,
                                             int pointCount, const SwitchHand& hand,
                                             const std::function<bool()>& stop, bool showProgress) {
  bool lineOpen = false;  // a progress bar waits for its line's end
  const auto endLine = [&] {
    if (lineOpen) std::fputc('\n', stderr);
    lineOpen = false;
  };
  const auto ask = [&](const std::string& request) {
    if (request.empty()) return;
    endLine();
    std::fprintf(stderr, "%s\n", request.c_str());
    std::fflush(stderr);
  };
  WideRangeCapture capture(session, rangesOhms, pointCount, {ask, hand});
  int shown = -1;  // the bar's length last drawn
  const auto showSweep = [&] {
    const Acquisition* sweep = capture.Sweep();
    if (!showProgress) return;
    if (!sweep) {
      endLine();
      shown = -1;
      return;
    }
    const int width = 40, done = std::min(sweep->NextCode(), 1024) * width / 1024;
    if (done == shown) return;
    shown = done;
    const double ohms = capture.Ranges()[capture.Sweeps().size()];
    std::fprintf(stderr, "\r%s [%s%s]", RangeName(ohms).c_str(), std::string(done, '#').c_str(),
                 std::string(width - done, '.').c_str());
    std::fflush(stderr);
    lineOpen = true;
  };
  // A person takes seconds to turn the switch: looking ten times a second
  // is quick enough and leaves the processor alone.
  const auto pause = [] { std::this_thread::sleep_for(std::chrono::milliseconds(100)); };
  const bool whole = capture.RunBackToBack(
      [&] {
        showSweep();
        return stop && stop();
      },
      pause);
  endLine();
  if (!whole) return std::nullopt;
  return StitchRanges(capture.Sweeps());
}

}  // namespace kvt
