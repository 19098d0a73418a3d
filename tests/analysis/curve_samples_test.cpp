// Whole curves as samples at shared currents: where a curve reads what, which
// currents a bag is compared at, and matching on them against vf alone.
#include "analysis/curve_samples.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "analysis/part_groups.h"
#include "tests/analysis/part_bag.h"

namespace kvt {
namespace {

constexpr double ThermalVolts = 0.02585;

// A diode of saturation current `is`, ideality `n` and series resistance
// `rs` on a 1 kohm range: forward points up to `topAmps`, then the flat
// reverse side down to -5 V.
Curve Diode(double is, double n, double rs, double topAmps = 4e-3) {
  std::vector<std::pair<double, double>> pairs;
  for (double v = -5.0; v < 0; v += 0.5) pairs.push_back({v, 0.0});
  for (int k = 0; k <= 40; ++k) {
    const double amps = topAmps * k / 40;
    pairs.push_back({n * ThermalVolts * std::log1p(amps / is) + amps * rs, amps});
  }
  return CurveFromPairs(pairs, 1000.0);
}

// The saturation current that puts a diode's voltage at `volts` for `amps`.
double IsFor(double volts, double amps, double n, double rs) {
  return amps / std::expm1((volts - amps * rs) / (n * ThermalVolts));
}

Curve Resistor(double ohms, double top) {
  std::vector<std::pair<double, double>> pairs;
  for (int k = -10; k <= 10; ++k) pairs.push_back({top * k / 10, top * k / 10 / ohms});
  return CurveFromPairs(pairs, 1000.0);
}

TEST(CurveSamples, VoltsAtACurrent) {
  Curve withClip = CurveFromPairs({{0, 0}, {1, 1e-3}, {3, 3e-3}}, 1000.0);
  withClip.points.insert(withClip.points.begin() + 2, CurvePoint(2.0, 5e-3, true, 1000.0));
  const struct {
    const char* name;
    Curve curve;
    double amps;
    std::optional<double> volts, uncertainty;
  } rows[] = {
      // A 1 kohm slope on the 1 kohm range: one current step is one voltage step.
      {"resistor forward", Resistor(1000, 2), 1.25e-3, 1.25, std::hypot(0.01, 0.01)},
      {"resistor reverse", Resistor(1000, 2), -0.75e-3, -0.75, std::hypot(0.01, 0.01)},
      {"beyond the curve", Resistor(1000, 2), 2.5e-3, std::nullopt, std::nullopt},
      {"no current at all", Resistor(1000, 2), 0.0, std::nullopt, std::nullopt},
      // The clipped point would put 2 mA at 1.25 V.
      {"clipped point ignored", withClip, 2e-3, 2.0, std::hypot(0.01, 0.01)},
      {"clipped point is no reach", withClip, 4e-3, std::nullopt, std::nullopt},
      // Steep: 10 uA of current step over about 10 ohm hardly counts.
      {"diode knee", Diode(1e-12, 1.0, 0.0), 2e-3, ThermalVolts * std::log1p(2e-3 / 1e-12), 0.01},
      {"diode reverse is flat", Diode(1e-12, 1.0, 0.0), -1e-4, std::nullopt, std::nullopt},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const auto figure = VoltsAt(row.curve, row.amps);
    ASSERT_EQ(figure.has_value(), row.volts.has_value());
    if (!figure) continue;
    EXPECT_NEAR(figure->value, *row.volts, 2e-3);
    EXPECT_NEAR(figure->uncertainty, *row.uncertainty, 2e-4);
  }
}

TEST(CurveSamples, CurrentsTheBagShares) {
  // Reaching 4, 5 and 6 mA each way within the converter's range.
  const Curve r4 = Resistor(1125, 4.5), r5 = Resistor(900, 4.5), r6 = Resistor(750, 4.5), open = Resistor(1e5, 4.5);
  const Curve d1 = Diode(1e-12, 1.0, 5), d2 = Diode(1e-12, 1.0, 5, 6e-3), tiny = Resistor(1e6, 4.5);
  const struct {
    const char* name;
    std::vector<const Curve*> bag;
    double top;  // forward; 0 for none
    bool reverse;
  } rows[] = {
      {"smallest reach", {&r5, &r4, &r6}, 4e-3, true},
      {"an open part does not shrink them", {&r5, &open, &r4, &r6}, 4e-3, true},
      {"a part without curve", {&r6, nullptr, &r5}, 5e-3, true},
      {"diodes: no reverse side", {&d1, &d2}, 4e-3, false},
      {"under ten current steps", {&tiny, &tiny}, 0, false},
      {"empty bag", {}, 0, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    std::vector<double> expected;
    if (row.reverse)
      for (double f : {0.9, 0.7, 0.5, 0.3, 0.1}) expected.push_back(-f * row.top);
    if (row.top > 0)
      for (double f : {0.1, 0.3, 0.5, 0.7, 0.9}) expected.push_back(f * row.top);
    const auto currents = SampleCurrents(row.bag);
    ASSERT_EQ(currents.size(), expected.size());
    for (std::size_t k = 0; k < expected.size(); ++k) EXPECT_NEAR(currents[k], expected[k], 1e-12) << k;
  }
}

TEST(CurveSamples, PartsMissingSamplesHaveNone) {
  const Curve r5 = Resistor(900, 4.5), r4 = Resistor(1125, 4.5), open = Resistor(1e5, 4.5), part = Resistor(1000, 1.5);
  const std::vector<const Curve*> bag{&r5, &open, nullptr, &r4, &r5, &part};
  const CurveSampling sampling = SampleCurves(bag, SampleCurrents(bag));
  ASSERT_EQ(sampling.names.size(), 10u);
  EXPECT_EQ(sampling.names[0], "curve@-3.6mA");
  EXPECT_EQ(sampling.names[5], "curve@+400uA");
  // Sampled at 0.4 ... 3.6 mA each way: the last part reaches two of them each way.
  const std::vector<std::string> lacking{"", "curve reaches 0 of 10 sampled currents", "no curve", "", "",
                                         "curve reaches 4 of 10 sampled currents"};
  EXPECT_EQ(sampling.lacking, lacking);
  for (const std::string& name : sampling.names) {
    const FigureColumn& column = sampling.table.at(name);
    ASSERT_EQ(column.size(), bag.size());
    for (std::size_t part = 0; part < bag.size(); ++part)
      EXPECT_EQ(column[part].has_value(), lacking[part].empty()) << name << " " << part;
  }
  EXPECT_NEAR(sampling.table.at("curve@+2mA")[3]->value, 2.25, 1e-9);
}

TEST(CurveSamples, GroupSpreadIsTheWorstSample) {
  const auto at = [](double v) { return std::optional(MeasuredFigure{v, 0.01}); };
  const struct {
    const char* name;
    std::vector<double> a, b;  // two parts' samples
    double spread;
    bool within;
  } rows[] = {
      {"all within", {0.600, 0.700}, {0.605, 0.712}, 0.012, true},
      {"one sample resolved", {0.600, 0.700}, {0.605, 0.720}, 0.020, false},
      {"worst first", {0.600, 0.700}, {0.630, 0.701}, 0.030, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    PartTable table;
    const std::vector<std::string> names{"s0", "s1"};
    for (std::size_t k = 0; k < names.size(); ++k) table[names[k]] = {at(row.a[k]), at(row.b[k])};
    const SampleSpread s = CurveSpread(table, names, {0, 1});
    EXPECT_NEAR(s.spread, row.spread, 1e-12);
    EXPECT_NEAR(s.resolution, std::hypot(0.01, 0.01), 1e-12);
    EXPECT_EQ(s.withinResolution, row.within);
  }
}

GroupOptions CurveOptions(const CurveSampling& sampling, int size = 2) {
  GroupOptions options;
  options.groupSize = size;
  options.parameters = sampling.names;
  options.tolerances.assign(sampling.names.size(), CurveSampleTolerance);
  return options;
}

using Groups = std::set<std::set<std::size_t>>;

Groups GroupsOf(const Grouping& g) {
  Groups out;
  for (const auto& group : g.groups) out.insert(std::set<std::size_t>(group.parts.begin(), group.parts.end()));
  return out;
}

double WorstCurveSpread(const Grouping& g, const CurveSampling& sampling) {
  double worst = 0;
  for (const auto& group : g.groups)
    worst = std::max(worst, CurveSpread(sampling.table, sampling.names, group.parts).spread);
  return worst;
}

double MeanCurveSpread(const Grouping& g, const CurveSampling& sampling) {
  double sum = 0;
  for (const auto& group : g.groups) sum += CurveSpread(sampling.table, sampling.names, group.parts).spread;
  return g.groups.empty() ? 0 : sum / g.groups.size();
}

// The same bag matched on the whole curve and on vf (at 1 mA) alone.
struct TwoWays {
  CurveSampling sampling;
  Grouping onCurve, onVf;
};

TwoWays MatchBothWays(const std::vector<Curve>& curves, int size = 2) {
  std::vector<const Curve*> bag;
  for (const Curve& c : curves) bag.push_back(&c);
  TwoWays both;
  both.sampling = SampleCurves(bag, SampleCurrents(bag));
  both.onCurve = MatchGroups(both.sampling.table, bag.size(), CurveOptions(both.sampling, size));
  PartTable vf;
  for (const Curve& c : curves) vf["vf"].push_back(VoltsAt(c, 1e-3));
  GroupOptions options;
  options.groupSize = size;
  options.parameters = {"vf"};
  both.onVf = MatchGroups(vf, bag.size(), options);
  return both;
}

TEST(CurveSamples, PartsPairWithTheirOwnKind) {
  const struct {
    const char* name;
    std::vector<Curve> bag;
    Groups expected;
  } rows[] = {
      // Knees 40 mV apart, each kind twice, shuffled.
      {"shifted knees",
       {Diode(1e-12, 1, 5), Diode(2e-13, 1, 5), Diode(4e-14, 1, 5), Diode(1.05e-12, 1, 5), Diode(4.2e-14, 1, 5),
        Diode(2.1e-13, 1, 5)},
       {{0, 3}, {1, 5}, {2, 4}}},
      // One vf at 1 mA, but 5 against 40 ohm above it: neighbours by vf
      // would pair the kinds across.
      {"equal vf, different rd",
       {Diode(IsFor(0.600, 1e-3, 1.5, 5), 1.5, 5), Diode(IsFor(0.601, 1e-3, 1.5, 40), 1.5, 40),
        Diode(IsFor(0.602, 1e-3, 1.5, 5), 1.5, 5), Diode(IsFor(0.603, 1e-3, 1.5, 40), 1.5, 40)},
       {{0, 2}, {1, 3}}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const TwoWays both = MatchBothWays(row.bag);
    EXPECT_EQ(GroupsOf(both.onCurve), row.expected);
    EXPECT_TRUE(both.onCurve.unmatched.empty());
    EXPECT_LT(WorstCurveSpread(both.onCurve, both.sampling), 0.010);
  }
  const TwoWays across = MatchBothWays(rows[1].bag);
  EXPECT_EQ(GroupsOf(across.onVf), (Groups{{0, 1}, {2, 3}}));
  EXPECT_GT(WorstCurveSpread(across.onVf, across.sampling), 0.090);  // 35 ohm at 3.6 mA, less the 1 mV
}

TEST(CurveSamples, WholeCurveBeatsVfOnABag) {
  // Junctions and bulk resistances spread independently, as parts of one
  // type from different batches are.
  BagRandom random(11);
  std::vector<Curve> curves;
  for (int i = 0; i < 200; ++i)
    curves.push_back(Diode(1e-12 * std::exp(0.3 * random.Gaussian()), 1.0, 20 + 6 * random.Gaussian()));
  for (int size : {2, 4}) {
    SCOPED_TRACE(size);
    const TwoWays both = MatchBothWays(curves, size);
    const double onCurve = WorstCurveSpread(both.onCurve, both.sampling);
    const double onVf = WorstCurveSpread(both.onVf, both.sampling);
    const double meanOnCurve = MeanCurveSpread(both.onCurve, both.sampling);
    const double meanOnVf = MeanCurveSpread(both.onVf, both.sampling);
    std::printf("groups of %d over 200 diodes: curve spread worst %.1f mV, mean %.1f mV matched on the curve; "
                "worst %.1f mV, mean %.1f mV on vf\n",
                size, onCurve * 1e3, meanOnCurve * 1e3, onVf * 1e3, meanOnVf * 1e3);
    EXPECT_EQ(both.onCurve.groups.size(), 200u / size);
    // The bag's outliers bound the worst group either way; the typical
    // group shows what the whole curve buys.
    EXPECT_LT(onCurve, onVf);
    EXPECT_LT(meanOnCurve, meanOnVf / 2);
  }
}

}  // namespace
}  // namespace kvt
