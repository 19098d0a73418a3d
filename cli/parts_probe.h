#pragma once
// Measuring a bag of parts one after another at the probe: each part's
// curve is taken once it holds still, and the next part awaited once the
// probe has been lifted, as the live sweeps tell it.
#include <functional>

#include "cli/command_line.h"
#include "core/curve.h"

namespace kvt {

constexpr int MaxPartsPerRun = 100000;

// Measures `count` parts in turn with the instrument the command line
// names, handing each part's curve and its place (1 ... count) to `take`
// before the next. On a terminal a line on standard error asks for the
// next part. The simulated instrument's own hand lifts its probe and puts
// it on the next part. A stop signal ends the run with 0 V on the part;
// `status` is then 128 + the signal, else 0.
void MeasurePartsInTurn(const CommandLine& line, int count, int& status,
                        const std::function<void(Curve curve, int place)>& take);

}  // namespace kvt
