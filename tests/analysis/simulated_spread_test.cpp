// A thousand parts probed one after another on the simulated instrument
// with a spread of values set: the spread of what the analysis measures is
// the spread the model puts in, with the measurement's own scatter on top.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

#include "analysis/parameters.h"
#include "core/curve.h"
#include "device/device_routines.h"
#include "simulator/circuit.h"
#include "simulator/instrument.h"
#include "tests/simulator/port_driver.h"

namespace kvt {
namespace {

constexpr int kRangeOhms = 1000;

// One sweep as the device takes it: every 8th code, four conversions per
// point combined with strays left out.
Curve Sweep(kvtsim::Instrument& instrument) {
  PortDriver port([&](int p, int v) { return instrument.Out(p, v); }, [&](int p) { return instrument.In(p); });
  Curve curve;
  curve.info.pointCount = 128;
  for (int code = 0; code < 1024; code += 8) {
    port.WriteDac(code);
    int conversions[4];
    for (int& c : conversions) c = port.ReadAdc();
    const double applied = kvtsim::CodeVolts(code);
    const double volts = VoltsFromCode(CombineConversions(conversions, 4));
    curve.points.push_back({volts, (applied - volts) / kRangeOhms, false, double(kRangeOhms)});
  }
  FlagClipping(curve);
  return curve;
}

// The model's own forward voltage of a part at 1 mA, found on its series
// circuit by bisection of the applied voltage.
double ModelForwardVolts(const kvtsim::Component& component, const kvtsim::PartDeviation& part) {
  double lo = 0, hi = 20;
  for (int i = 0; i < 200; ++i) {
    const double mid = (lo + hi) / 2;
    const double amps = (mid - kvtsim::ComponentVolts(component, mid, kRangeOhms, part)) / kRangeOhms;
    (amps < 1e-3 ? lo : hi) = mid;
  }
  return kvtsim::ComponentVolts(component, lo, kRangeOhms, part);
}

double StandardDeviation(const std::vector<double>& v) {
  double mean = 0, squares = 0;
  for (double x : v) mean += x / v.size();
  for (double x : v) squares += (x - mean) * (x - mean);
  return std::sqrt(squares / (v.size() - 1));
}

struct Bag {
  std::vector<double> measured, model;
};

// `count` parts probed in turn, lifting the probe between them.
Bag ProbeParts(kvtsim::SimConfig config, int count,
               const std::function<std::optional<double>(const PartParameters&)>& figure,
               const std::function<double(const kvtsim::Component&, const kvtsim::PartDeviation&)>& model) {
  const kvtsim::Component part = config.component;
  config.component = {kvtsim::ComponentKind::Open, 0};
  kvtsim::Instrument instrument(config);
  Bag bag;
  for (int i = 0; i < count; ++i) {
    config.component = part;
    instrument.Configure(config);
    const Curve curve = Sweep(instrument);
    const auto value = figure(AnalysePart(curve));
    if (value) bag.measured.push_back(*value);
    bag.model.push_back(model(part, instrument.Part()));
    config.component = {kvtsim::ComponentKind::Open, 0};
    instrument.Configure(config);
  }
  return bag;
}

}  // namespace

TEST(SimulatedSpread, MeasuredSpreadIsTheSpreadPutIn) {
  auto forwardVolts = [](const PartParameters& p) { return p.forwardVolts; };
  auto resistance = [](const PartParameters& p) {
    return p.resistance ? std::optional(p.resistance->ohms) : std::nullopt;
  };
  auto modelOhms = [](const kvtsim::Component& c, const kvtsim::PartDeviation& p) { return c.value * p.ohms; };
  const struct {
    const char* name;
    kvtsim::Component component;
    double spread;
    std::optional<double> resistorSpread;
    std::function<std::optional<double>(const PartParameters&)> figure;
    std::function<double(const kvtsim::Component&, const kvtsim::PartDeviation&)> model;
    int count;
  } cases[] = {
      {"a thousand diodes, saturation current +-30 %", {kvtsim::ComponentKind::Diode, 0}, 30, {}, forwardVolts,
       ModelForwardVolts, 1000},
      // Below the measurement's own scatter (2 mV): this one only fails
      // when far more spread comes out than was put in.
      {"diodes, +-3 %", {kvtsim::ComponentKind::Diode, 0}, 3, {}, forwardVolts, ModelForwardVolts, 400},
      {"diodes, resistances only: vf hardly moves", {kvtsim::ComponentKind::Diode, 0}, 0, 20, forwardVolts,
       ModelForwardVolts, 300},
      {"resistors +-2 %", {kvtsim::ComponentKind::Resistor, 1000}, 0, 2, resistance, modelOhms, 400},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    kvtsim::SimConfig config;
    config.component = c.component;
    config.rangeOhms = kRangeOhms;
    config.seed = 11;
    // The measurement's own scatter: the same parts without a spread.
    const Bag alike = ProbeParts(config, 200, c.figure, c.model);
    config.spreadPercent = c.spread;
    config.resistorSpreadPercent = c.resistorSpread;
    const Bag spread = ProbeParts(config, c.count, c.figure, c.model);
    // Now and then a burst of stray readings leaves a part without a figure.
    ASSERT_GE(alike.measured.size(), 198u);
    ASSERT_GE(spread.measured.size(), static_cast<std::size_t>(c.count * 0.99));
    const double scatter = StandardDeviation(alike.measured);
    const double put = StandardDeviation(spread.model);
    const double predicted = std::hypot(put, scatter);
    const double measured = StandardDeviation(spread.measured);
    // Within a factor of 1.25 either way: 1,000 parts pin a standard
    // deviation to about 2 %, 200 to 5 %.
    EXPECT_GT(measured, predicted / 1.25) << "put in " << put << ", scatter " << scatter;
    EXPECT_LT(measured, predicted * 1.25) << "put in " << put << ", scatter " << scatter;
    std::printf("%s: model %.3g, measurement scatter %.3g, predicted %.3g, measured %.3g\n", c.name, put, scatter,
                predicted, measured);
  }
}

}  // namespace kvt
