// How often `CompareCurves` with its default options gets the verdict wrong
// on the simulated instrument's parts, with the simulator's noise and stray
// readings: a reference capture of each part against many fresh captures of
// the same part (each failing verdict a false fail), and against captures of
// the part changed slightly (each passing verdict a missed detection):
// resistors 5 % higher, diodes and LEDs with the forward voltage 30 mV
// higher, zeners with the breakdown voltage 30 mV higher. Prints a table per
// part (Markdown) and the totals; asserts nothing.
//
//   verdicts [--repeats N] [--points N] [--reference-points N] [--only TEXT]
//            [--stretch POINTS,APART,BANDS]
//
// --stretch tries other settings of the shifted-stretch rule (CompareOptions).
//
// Exit status 2 on bad arguments.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "analysis/comparison.h"
#include "core/curve.h"
#include "device/device_routines.h"
#include "simulator/circuit.h"
#include "simulator/noise_source.h"

using namespace kvt;
using kvtsim::Component;
using kvtsim::ComponentKind;

namespace {

// The simulated instrument's own imperfections.
constexpr double NoiseCodes = 1.0;
constexpr double StrayRate = 0.02;
constexpr int Conversions = 4;

constexpr double ResistanceChange = 1.05;
constexpr double VoltageShift = 0.030;

// Voltage across the part when the DAC applies `applied` through the range.
using PartVolts = std::function<double(double applied, double rangeOhms)>;

PartVolts Plain(Component c) {
  return [c](double applied, double rangeOhms) { return kvtsim::ComponentVolts(c, applied, rangeOhms); };
}

// A junction whose voltage at every current is `shift` higher: the loop with
// the shifted part at `applied` carries the current of the plain part's loop
// at `applied - shift`. In the forward region this is the junction with its
// saturation current scaled down by exp(-shift / (n Vt)).
PartVolts Shifted(Component c, double shift) {
  return [c, shift](double applied, double rangeOhms) {
    return kvtsim::ComponentVolts(c, applied - shift, rangeOhms) + shift;
  };
}

struct Part {
  std::string name;
  int rangeOhms;
  PartVolts same;
  PartVolts changed;
  const char* change;  // what the changed part differs in
};

std::string Ohms(double ohms) {
  char text[32];
  if (ohms >= 1000) std::snprintf(text, sizeof text, "%gk", ohms / 1000);
  else std::snprintf(text, sizeof text, "%g", ohms);
  return text;
}

std::vector<Part> Parts() {
  std::vector<Part> parts;
  for (int range : {100, 1000, 10000}) {
    const std::string on = " on " + Ohms(range);
    parts.push_back({"diode" + on, range, Plain({ComponentKind::Diode, 0}),
                     Shifted({ComponentKind::Diode, 0}, VoltageShift), "Vf +30 mV"});
    parts.push_back({"LED" + on, range, Plain({ComponentKind::Led, 0}),
                     Shifted({ComponentKind::Led, 0}, VoltageShift), "Vf +30 mV"});
  }
  // A zener's breakdown current on the 10k range stays below 0.5 mA.
  for (int range : {100, 1000}) {
    for (double volts : {2.7, 3.3, 3.9, 4.7}) {
      char name[48];
      std::snprintf(name, sizeof name, "zener %.1f V on %s", volts, Ohms(range).c_str());
      parts.push_back({name, range, Plain({ComponentKind::Zener, volts}),
                       Plain({ComponentKind::Zener, volts + VoltageShift}), "Vz +30 mV"});
    }
  }
  // Resistors from about half to twice the range's resistor, where it is
  // made to measure; far beyond, the range resolves 5 % more and more coarsely.
  for (int range : {100, 1000, 10000}) {
    for (double factor : {0.47, 1.0, 2.2}) {
      const double ohms = factor * range;
      parts.push_back({Ohms(ohms) + " ohm on " + Ohms(range), range, Plain({ComponentKind::Resistor, ohms}),
                       Plain({ComponentKind::Resistor, ohms * ResistanceChange}), "R +5 %"});
    }
  }
  return parts;
}

// One capture as the device takes it: four conversions per point, combined
// with strays left out, every `1024 / points`-th code.
Curve Capture(const PartVolts& part, int rangeOhms, int points, std::uint64_t seed) {
  kvtsim::NoiseSource noise(seed);
  Curve curve;
  curve.info.pointCount = points;
  for (int code = 0; code <= 1023; code += 1024 / points) {
    const double applied = kvtsim::CodeVolts(code);
    const double ideal = part(applied, rangeOhms) * 100 + 512;
    int conversions[Conversions];
    for (int& c : conversions)
      c = static_cast<int>(std::clamp(std::nearbyint(ideal + noise.Offset(NoiseCodes, StrayRate)), 0.0, 1023.0));
    const double volts = VoltsFromCode(CombineConversions(conversions, Conversions));
    curve.points.push_back({volts, (applied - volts) / rangeOhms, false, double(rangeOhms)});
  }
  FlagClipping(curve);
  return curve;
}

struct Tally {
  int runs = 0;
  int fails = 0;
  double lowestScore = 100, highestScore = 0;
  void Add(const Comparison& c) {
    ++runs;
    fails += !c.pass;
    lowestScore = std::min(lowestScore, c.score);
    highestScore = std::max(highestScore, c.score);
  }
  void Add(const Tally& t) {
    runs += t.runs;
    fails += t.fails;
    lowestScore = std::min(lowestScore, t.lowestScore);
    highestScore = std::max(highestScore, t.highestScore);
  }
  double FailPercent() const { return runs ? 100.0 * fails / runs : 0.0; }
};

struct Options {
  int repeats = 100;
  int points = 1024;
  int referencePoints = 0;  // 0: as many as the captures
  std::string only;
  CompareOptions compare;
};

int Usage(const char* why) {
  std::fprintf(stderr,
               "verdicts: %s\nusage: verdicts [--repeats N] [--points 32..1024] [--reference-points 32..1024]\n"
               "                [--only TEXT] [--stretch POINTS,APART,BANDS]\n",
               why);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (i + 1 >= argc) return Usage(("missing value after " + arg).c_str());
    const std::string value = argv[++i];
    if (arg == "--repeats") options.repeats = std::atoi(value.c_str());
    else if (arg == "--points") options.points = std::atoi(value.c_str());
    else if (arg == "--reference-points") options.referencePoints = std::atoi(value.c_str());
    else if (arg == "--only") options.only = value;
    else if (arg == "--stretch") {
      CompareOptions& c = options.compare;
      if (std::sscanf(value.c_str(), "%d,%d,%lf", &c.stretchPoints, &c.stretchApart, &c.stretchBands) != 3)
        return Usage("--stretch takes POINTS,APART,BANDS");
    }
    else return Usage(("unknown option " + arg).c_str());
  }
  if (options.repeats < 1) return Usage("--repeats takes a count of at least 1");
  auto pointCount = [](int n) { return n >= 32 && n <= 1024 && 1024 % n == 0; };
  if (!pointCount(options.points)) return Usage("--points takes 32, 64, 128, 256, 512 or 1024");
  if (options.referencePoints == 0) options.referencePoints = options.points;
  if (!pointCount(options.referencePoints)) return Usage("--reference-points takes 32, 64, 128, 256, 512 or 1024");

  const CompareOptions& c = options.compare;
  std::printf("Verdicts of CompareCurves: band %g steps, pass at %g %%, stretch %d of %d points beyond %.2f band; "
              "%d points against %d, noise %g code, strays %g, %d repeats per part\n\n",
              c.bandSteps, c.passScore, c.stretchApart, c.stretchPoints, c.stretchBands, options.points,
              options.referencePoints, NoiseCodes,
              StrayRate, options.repeats);
  std::printf("| part | change | false fails | lowest score | detected | highest score |\n"
              "|---|---|---|---|---|---|\n");
  Tally sameTotal, changedTotal;
  std::vector<std::pair<std::string, Tally>> byChange;
  for (const Part& part : Parts()) {
    if (!options.only.empty() && part.name.find(options.only) == std::string::npos) continue;
    const Curve reference = Capture(part.same, part.rangeOhms, options.referencePoints, 1);
    Tally same, changed;
    for (int k = 0; k < options.repeats; ++k) {
      // Seeds apart from the reference's and from each other's.
      same.Add(CompareCurves(Capture(part.same, part.rangeOhms, options.points, 1000 + k), reference, options.compare));
      changed.Add(
          CompareCurves(Capture(part.changed, part.rangeOhms, options.points, 5000 + k), reference, options.compare));
    }
    std::printf("| %s | %s | %d/%d | %.1f | %d/%d | %.1f |\n", part.name.c_str(), part.change, same.fails, same.runs,
                same.lowestScore, changed.fails, changed.runs, changed.highestScore);
    std::fflush(stdout);
    sameTotal.Add(same);
    changedTotal.Add(changed);
    auto it = std::find_if(byChange.begin(), byChange.end(), [&](const auto& e) { return e.first == part.change; });
    if (it == byChange.end()) byChange.push_back({part.change, changed});
    else it->second.Add(changed);
  }
  std::printf("\nfalse fails: %d of %d (%.2f %%; goal under 1 %%)\n", sameTotal.fails, sameTotal.runs,
              sameTotal.FailPercent());
  for (const auto& [change, tally] : byChange)
    std::printf("detected %-10s %d of %d (%.1f %%; goal at least 95 %%)\n", (change + ":").c_str(), tally.fails,
                tally.runs, tally.FailPercent());
  std::printf("detected in all:    %d of %d (%.1f %%)\n", changedTotal.fails, changedTotal.runs,
              changedTotal.FailPercent());
  return 0;
}
