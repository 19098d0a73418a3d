// How often a stated uncertainty covers the truth: the parts of
// tests/data/parts swept through the instrument's circuit with ngspice,
// measured with the converter's codes and noise, and every figure the
// analysis states ("592 ± 5 mV") checked against the model's own value from
// a fine noise-free sweep. Prints, per figure and noise level, the share of
// stated figures whose interval holds the truth, how many were left unstated,
// and each miss. Asserts nothing: the figures are for reading.
//
//   uncertainty_coverage [--seeds N] [--only TEXT]
//
// Exit status 77 (a skip for CTest) when ngspice is missing, 2 on bad
// arguments or a part that does not simulate.
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "analysis/figure_uncertainty.h"
#include "analysis/parameter_report.h"
#include "tests/support/part_circuit.h"

namespace fs = std::filesystem;
using namespace kvt;
using namespace kvt::parts;

namespace {

constexpr double Ranges[] = {100.0, 1000.0};
constexpr double NoiseLevels[] = {0.0, 0.5, 1.0};  // per conversion, in codes

struct Truth {
  std::optional<double> vf, rd, vbr, leakage, resistance;
};

// Current where the noise-free sweep's part voltage is `volts`.
std::optional<double> AmpsWhereVolts(const CircuitSweep& sweep, double rangeOhms, double volts) {
  const auto& v = sweep.probes[0];
  for (std::size_t i = 1; i < v.size(); ++i) {
    if ((v[i - 1] - volts) * (v[i] - volts) > 0 || v[i] == v[i - 1]) continue;
    const double i0 = (sweep.applied[i - 1] - v[i - 1]) / rangeOhms, i1 = (sweep.applied[i] - v[i]) / rangeOhms;
    return i0 + (i1 - i0) * (volts - v[i - 1]) / (v[i] - v[i - 1]);
  }
  return std::nullopt;
}

Truth TruthOf(const CircuitSweep& sweep, double rangeOhms, bool resistor) {
  Truth t;
  t.vf = VoltsWhereCurrent(sweep, rangeOhms, 1e-3);
  t.vbr = VoltsWhereCurrent(sweep, rangeOhms, -1e-3);
  const auto above = VoltsWhereCurrent(sweep, rangeOhms, 1.02e-3), below = VoltsWhereCurrent(sweep, rangeOhms, 0.98e-3);
  if (above && below) t.rd = (*above - *below) / 0.04e-3;
  t.leakage = AmpsWhereVolts(sweep, rangeOhms, -1.0);
  if (resistor) {
    const std::size_t last = sweep.applied.size() - 1;
    const double v = sweep.probes[0][last];
    t.resistance = v / ((sweep.applied[last] - v) / rangeOhms);
  }
  return t;
}

struct Tally {
  int stated = 0, covered = 0, unstated = 0, unstatedWithTruth = 0;
};

struct Row {
  const char* key;
  std::optional<double> Truth::*truth;
  ReportedFigure ReportedFigures::*figure;
};
constexpr Row Rows[] = {{"vf", &Truth::vf, &ReportedFigures::forwardVolts},
                        {"rd", &Truth::rd, &ReportedFigures::dynamicOhms},
                        {"vbr", &Truth::vbr, &ReportedFigures::breakdownVolts},
                        {"leakage", &Truth::leakage, &ReportedFigures::leakageAmps},
                        {"resistance", &Truth::resistance, &ReportedFigures::resistance}};

}  // namespace

int main(int argc, char** argv) {
  int seeds = 3;
  std::string only;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--seeds" && i + 1 < argc && std::atoi(argv[i + 1]) >= 1) seeds = std::atoi(argv[++i]);
    else if (arg == "--only" && i + 1 < argc) only = argv[++i];
    else {
      std::fprintf(stderr, "usage: uncertainty_coverage [--seeds N>=1] [--only TEXT]\n");
      return 2;
    }
  }
  const std::string ngspice = KVT_NGSPICE;
  if (ngspice.empty()) {
    std::printf("ngspice is not installed: nothing measured\n");
    return 77;
  }
  const fs::path partsDir = KVT_PARTS_DIR;
  const PartList list = ReadPartList(partsDir / "parts.txt");
  if (!list.error.empty()) {
    std::fprintf(stderr, "uncertainty_coverage: %s\n", list.error.c_str());
    return 2;
  }
  const fs::path work = fs::temp_directory_path() / ("kvt_coverage_" + std::to_string(getpid()));
  fs::create_directories(work);

  Tally tallies[std::size(Rows)][std::size(NoiseLevels)];
  Tally leakSmall[std::size(NoiseLevels)];  // truth below one current step
  std::vector<std::string> misses;
  // Stated rd over the model's, per range and noise level, junction parts only.
  std::vector<double> rdRatios[std::size(Ranges)][std::size(NoiseLevels)];
  int curves = 0, index = 0;
  for (const PartEntry& part : list.entries) {
    if (part.part.find(only) == std::string::npos) continue;
    for (std::size_t g = 0; g < std::size(Ranges); ++g) {
      const double range = Ranges[g];
      const std::string tag = "cov" + std::to_string(index++);
      const auto sweep = RunSweep(ngspice, work, tag, RangeCircuit(range, PartNetlist(part, partsDir)), {"v(a)"}, 0.001);
      const auto codes = sweep ? VoltsAtCodes(*sweep) : std::nullopt;
      if (!codes) {
        std::fprintf(stderr, "uncertainty_coverage: %s does not simulate on %g ohms\n", part.part.c_str(), range);
        return 2;
      }
      const Truth truthAt1mA = TruthOf(*sweep, range, part.kind == "resistor");
      for (std::size_t n = 0; n < std::size(NoiseLevels); ++n) {
        for (int seed = 1; seed <= (NoiseLevels[n] == 0 ? 1 : seeds); ++seed) {
          ++curves;
          const Curve curve = MeasuredCurve(*codes, range, NoiseLevels[n], static_cast<std::uint64_t>(seed));
          const AnalysisOptions options;
          const ReportedFigures f = ReportFigures(curve, AnalysePart(curve, options), options);
          // The breakdown is judged at the current it was read at, which is
          // below 1 mA where the range reaches no further.
          Truth truth = truthAt1mA;
          if (f.breakdownVolts.value && f.breakdownAmps < 0 && f.breakdownAmps > -1e-3)
            truth.vbr = VoltsWhereCurrent(*sweep, range, f.breakdownAmps);
          if (part.kind != "resistor" && truth.rd && f.dynamicOhms.value)
            rdRatios[g][n].push_back(*f.dynamicOhms.value / *truth.rd);
          for (std::size_t r = 0; r < std::size(Rows); ++r) {
            const auto& said = f.*(Rows[r].figure);
            const auto& real = truth.*(Rows[r].truth);
            Tally& t = tallies[r][n];
            const bool small = Rows[r].truth == &Truth::leakage && real && std::abs(*real) < AdcStepVolts / range;
            if (!said.value) {
              ++t.unstated;
              t.unstatedWithTruth += real.has_value();
              if (small) ++leakSmall[n].unstated;
              continue;
            }
            ++t.stated;
            const bool covered = real && std::abs(*said.value - *real) <= said.uncertainty;
            t.covered += covered;
            if (small) {
              ++leakSmall[n].stated;
              leakSmall[n].covered += covered;
            }
            if (!covered) {
              char line[256];
              std::snprintf(line, sizeof line, "- %s on %g ohms, noise %.1f, seed %d: %s %s, truth %s", part.part.c_str(),
                            range, NoiseLevels[n], seed, Rows[r].key,
                            WithUncertainty(*said.value, said.uncertainty, "").c_str(),
                            real ? std::to_string(*real).c_str() : "none");
              misses.push_back(line);
            }
          }
        }
      }
    }
  }
  fs::remove_all(work);

  std::printf("Uncertainty coverage: %d curves, ranges 100 and 1k ohms, %d seed(s) with noise\n\n", curves, seeds);
  std::printf("| figure | noise 0.0 | noise 0.5 | noise 1.0 | all |\n|---|---|---|---|---|\n");
  auto cell = [](const Tally& t) {
    char text[96];
    if (t.stated == 0) std::snprintf(text, sizeof text, "- (%d null)", t.unstated);
    else
      std::snprintf(text, sizeof text, "%d/%d (%.0f %%), %d null", t.covered, t.stated, 100.0 * t.covered / t.stated,
                    t.unstated);
    return std::string(text);
  };
  Tally total[std::size(NoiseLevels) + 1];
  for (std::size_t r = 0; r < std::size(Rows); ++r) {
    Tally sum;
    std::printf("| %s |", Rows[r].key);
    for (std::size_t n = 0; n < std::size(NoiseLevels); ++n) {
      const Tally& t = tallies[r][n];
      std::printf(" %s |", cell(t).c_str());
      for (Tally* into : {&sum, &total[n]}) {
        into->stated += t.stated;
        into->covered += t.covered;
        into->unstated += t.unstated;
      }
    }
    std::printf(" %s |\n", cell(sum).c_str());
    total[std::size(NoiseLevels)].stated += sum.stated;
    total[std::size(NoiseLevels)].covered += sum.covered;
    total[std::size(NoiseLevels)].unstated += sum.unstated;
  }
  std::printf("| **all** |");
  for (const Tally& t : total) std::printf(" %s |", cell(t).c_str());
  std::printf("\n\nLeakage at -1 V whose true value is below one current step: stated and covered / stated, null\n\n");
  for (std::size_t n = 0; n < std::size(NoiseLevels); ++n)
    std::printf("- noise %.1f: %d/%d covered, %d null\n", NoiseLevels[n], leakSmall[n].covered, leakSmall[n].stated,
                leakSmall[n].unstated);
  std::printf("\nrd stated over the model's, junction parts: mean / median ratio (curves)\n\n"
              "| range | noise 0.0 | noise 0.5 | noise 1.0 |\n|---|---|---|---|\n");
  for (std::size_t g = 0; g < std::size(Ranges); ++g) {
    std::printf("| %g ohm |", Ranges[g]);
    for (auto& ratios : rdRatios[g]) {
      if (ratios.empty()) {
        std::printf(" - |");
        continue;
      }
      double sum = 0;
      for (double r : ratios) sum += r;
      std::sort(ratios.begin(), ratios.end());
      const double median = ratios.size() % 2 ? ratios[ratios.size() / 2]
                                              : (ratios[ratios.size() / 2 - 1] + ratios[ratios.size() / 2]) / 2;
      std::printf(" %.2f / %.2f (%zu) |", sum / ratios.size(), median, ratios.size());
    }
    std::printf("\n");
  }
  if (!misses.empty()) {
    std::printf("\nStated figures whose interval misses the truth\n\n");
    for (const auto& m : misses) std::printf("%s\n", m.c_str());
  }
  return 0;
}
