// How well the curve analysis reads real parts: published circuit-simulator
// models of the parts in tests/data/parts, swept through the instrument's
// circuit with ngspice, measured with the converter's codes and noise, then
// analysed. Prints tables of the kind named, the forward and breakdown
// voltages against the models' own, and the share of written models (diode
// model and table subcircuit) that trace the curve again through the same
// circuit. Asserts nothing: the figures are for reading.
//
//   analysis_acceptance [--seeds N] [--only TEXT] [--no-round-trip] [--keep]
//
// Exit status 77 (a skip for CTest) when ngspice is missing, 2 on bad
// arguments or a part of the set that does not simulate.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/comparison.h"
#include "analysis/parameters.h"
#include "analysis/spice_model.h"
#include "tests/support/part_circuit.h"

namespace fs = std::filesystem;
using namespace kvt;
using namespace kvt::parts;

namespace {

constexpr double Ranges[] = {100.0, 1000.0};
constexpr double NoiseLevels[] = {0.0, 0.5, 1.0};  // standard deviation per conversion, in codes
constexpr double ReferenceStepVolts = 0.001;        // the fine sweep the true figures come from

struct Options {
  int seeds = 3;
  std::string only;
  bool roundTrip = true;
  bool keep = false;
};

// The noise-free part at every code and its true figures on one range.
struct Reference {
  std::vector<double> voltsAtCodes;
  std::optional<double> forwardVolts;    // at +1 mA
  std::optional<double> breakdownVolts;  // at -1 mA
  CircuitSweep sweep;                    // for the truth at other currents
};

// The model's breakdown voltage at the current the analysis read its own at
// (below 1 mA where the range reaches no further).
std::optional<double> BreakdownTruth(const Reference& reference, double rangeOhms, const PartParameters& p) {
  if (p.breakdownVolts && p.breakdownAmps && *p.breakdownAmps > -1e-3)
    return VoltsWhereCurrent(reference.sweep, rangeOhms, *p.breakdownAmps);
  return reference.breakdownVolts;
}

// One measured curve and what the analysis made of it.
struct Trial {
  const PartEntry* part = nullptr;
  double rangeOhms = 0;
  double noise = 0;
  std::string kindSaid;
  std::optional<double> forwardError, breakdownError;  // volts, where both sides have one
  bool forwardMissing = false, breakdownMissing = false;    // the model has one, the analysis not
  bool forwardSpurious = false, breakdownSpurious = false;  // the analysis has one, the model not
  // Round trips: the diode model is written only where the analysis fits a
  // junction; a table is expected of every curve, so a missing one fails.
  bool modelWritten = false;
  std::optional<Comparison> modelTrip, tableTrip;  // empty: not written, or ngspice failed
  bool tripFailed = false;
  int TripsDue() const { return modelWritten + 1; }
  int TripsPassed() const { return (modelTrip && modelTrip->pass) + (tableTrip && tableTrip->pass); }
};

struct Run {
  std::string ngspice = KVT_NGSPICE;
  fs::path partsDir = KVT_PARTS_DIR;
  fs::path workDir;
  int simulations = 0;
};

std::optional<Reference> ReferenceOf(Run& run, const PartEntry& part, double rangeOhms, const std::string& tag) {
  ++run.simulations;
  const auto sweep = RunSweep(run.ngspice, run.workDir, tag,
                              RangeCircuit(rangeOhms, PartNetlist(part, run.partsDir)), {"v(a)"},
                              ReferenceStepVolts);
  if (!sweep) return std::nullopt;
  auto codes = VoltsAtCodes(*sweep);
  if (!codes) return std::nullopt;
  return Reference{std::move(*codes), VoltsWhereCurrent(*sweep, rangeOhms, 1e-3),
                   VoltsWhereCurrent(*sweep, rangeOhms, -1e-3), *sweep};
}

void Judge(const std::optional<double>& truth, const std::optional<double>& said, std::optional<double>& error,
           bool& missing, bool& spurious) {
  if (truth && said) error = std::abs(*said - *truth);
  missing = truth && !said;
  spurious = !truth && said;
}

// The written models through the same circuit, measured without noise and
// compared with the curve they came from.
void RoundTrip(Run& run, const Curve& curve, const PartParameters& p, double rangeOhms, const std::string& tag,
               Trial& trial) {
  const auto diode = SpiceDiodeModel("DUT", curve, p);
  const bool hasModel = diode.has_value();
  const bool hasTable = SpiceTableSubcircuit("DUT", curve).has_value();
  trial.modelWritten = hasModel;
  if (!hasModel && !hasTable) return;
  std::string circuit = SpiceModelText("DUT", curve, p);
  std::vector<std::string> probes;
  std::ostringstream r;
  r << rangeOhms;
  if (hasModel) {
    circuit += "Rrange_model in a " + r.str() + "\n" + diode->element + "model a 0 " + diode->device + "\n";
    probes.push_back("v(a)");
  }
  if (hasTable) {
    circuit += "Rrange_table in b " + r.str() + "\nXtable b 0 DUT_TABLE\n";
    probes.push_back("v(b)");
  }
  ++run.simulations;
  const auto sweep = RunSweep(run.ngspice, run.workDir, tag, circuit, probes);
  if (!sweep) {
    trial.tripFailed = true;
    return;
  }
  for (std::size_t k = 0; k < probes.size(); ++k) {
    const auto codes = VoltsAtCodes(*sweep, k);
    if (!codes) {
      trial.tripFailed = true;
      return;
    }
    const Comparison c = CompareCurves(MeasuredCurve(*codes, rangeOhms, 0.0, 1), curve);
    (probes[k] == "v(a)" ? trial.modelTrip : trial.tableTrip) = c;
  }
}

// ---- tables ----

std::string NoiseLabel(double noise) {
  char text[32];
  std::snprintf(text, sizeof text, "noise %.1f", noise);
  return text;
}

std::vector<std::string> Categories(const std::vector<PartEntry>& parts) {
  std::vector<std::string> order;
  for (const auto& p : parts)
    if (std::find(order.begin(), order.end(), p.category) == order.end()) order.push_back(p.category);
  return order;
}

template <class Cell>
void PrintTable(const std::string& title, const std::vector<std::string>& categories,
                const std::vector<Trial>& trials, Cell cell) {
  std::printf("\n%s\n\n| category |", title.c_str());
  for (double n : NoiseLevels) std::printf(" %s |", NoiseLabel(n).c_str());
  std::printf("\n|---|");
  for (std::size_t i = 0; i < std::size(NoiseLevels); ++i) std::printf("---|");
  std::printf("\n");
  auto row = [&](const std::string& name, auto inRow) {
    std::printf("| %s |", name.c_str());
    for (double n : NoiseLevels) {
      std::vector<const Trial*> selected;
      for (const auto& t : trials)
        if (t.noise == n && inRow(t)) selected.push_back(&t);
      std::printf(" %s |", cell(selected).c_str());
    }
    std::printf("\n");
  };
  for (const auto& c : categories) row(c, [&](const Trial& t) { return t.part->category == c; });
  row("**all**", [](const Trial&) { return true; });
}

std::string Share(int good, int total) {
  if (total == 0) return "-";
  char text[64];
  std::snprintf(text, sizeof text, "%d/%d (%.0f %%)", good, total, 100.0 * good / total);
  return text;
}

// "max / p95 mV, n; k missing, k extra" over the trials' errors of one figure.
std::string ErrorCell(const std::vector<const Trial*>& trials, std::optional<double> Trial::*error,
                      bool Trial::*missing, bool Trial::*spurious) {
  std::vector<double> mv;
  int miss = 0, extra = 0;
  for (const Trial* t : trials) {
    if (const auto& e = t->*error) mv.push_back(*e * 1e3);
    miss += t->*missing;
    extra += t->*spurious;
  }
  if (mv.empty() && miss == 0 && extra == 0) return "-";
  std::string text;
  char part[96];
  if (!mv.empty()) {
    std::sort(mv.begin(), mv.end());
    const auto p95 = mv[static_cast<std::size_t>(std::ceil(0.95 * mv.size())) - 1];
    const auto within = std::count_if(mv.begin(), mv.end(), [](double e) { return e <= 10.0; });
    std::snprintf(part, sizeof part, "%.1f / %.1f, %ld/%zu <=10", mv.back(), p95, static_cast<long>(within),
                  mv.size());
    text = part;
  }
  if (miss) text += (text.empty() ? "" : "; ") + std::to_string(miss) + " missing";
  if (extra) text += (text.empty() ? "" : "; ") + std::to_string(extra) + " extra";
  return text;
}

std::string Score(const std::optional<Comparison>& c) {
  return c ? std::to_string(static_cast<int>(std::lround(c->score))) : "-";
}

std::string Volts(const std::optional<double>& v) {
  if (!v) return "-";
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", *v);
  return text;
}

bool ParseArguments(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--seeds" && i + 1 < argc) {
      options.seeds = std::atoi(argv[++i]);
      if (options.seeds < 1) return false;
    } else if (arg == "--only" && i + 1 < argc) {
      options.only = argv[++i];
    } else if (arg == "--no-round-trip") {
      options.roundTrip = false;
    } else if (arg == "--keep") {
      options.keep = true;
    } else {
      return false;
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseArguments(argc, argv, options)) {
    std::fprintf(stderr, "usage: analysis_acceptance [--seeds N>=1] [--only TEXT] [--no-round-trip] [--keep]\n");
    return 2;
  }
  Run run;
  if (run.ngspice.empty()) {
    std::printf("ngspice is not installed: nothing measured\n");
    return 77;
  }
  const PartList list = ReadPartList(run.partsDir / "parts.txt");
  if (!list.error.empty()) {
    std::fprintf(stderr, "analysis_acceptance: %s: %s\n", (run.partsDir / "parts.txt").c_str(), list.error.c_str());
    return 2;
  }
  std::vector<PartEntry> parts;
  for (const auto& p : list.entries)
    if (p.part.find(options.only) != std::string::npos) parts.push_back(p);

  run.workDir = fs::temp_directory_path() / ("kvt_acceptance_" + std::to_string(getpid()));
  fs::create_directories(run.workDir);
  const auto start = std::chrono::steady_clock::now();

  std::vector<Trial> trials;
  std::vector<std::string> details;
  int index = 0;
  for (const auto& part : parts) {
    for (double range : Ranges) {
      const std::string tag = "part" + std::to_string(index++);
      const auto reference = ReferenceOf(run, part, range, tag);
      if (!reference) {
        std::fprintf(stderr, "analysis_acceptance: %s does not simulate on %g ohms (see %s)\n", part.part.c_str(),
                     range, (run.workDir / (tag + ".log")).c_str());
        return 2;
      }
      for (double noise : NoiseLevels) {
        // Without noise every seed gives the same curve.
        const int seeds = noise == 0 ? 1 : options.seeds;
        for (int seed = 1; seed <= seeds; ++seed) {
          const Curve curve = MeasuredCurve(reference->voltsAtCodes, range, noise, static_cast<std::uint64_t>(seed));
          const PartParameters p = AnalysePart(curve);
          Trial t;
          t.part = &part;
          t.rangeOhms = range;
          t.noise = noise;
          t.kindSaid = std::string(PartKindName(p.kind));
          Judge(reference->forwardVolts, p.forwardVolts, t.forwardError, t.forwardMissing, t.forwardSpurious);
          const auto breakdownTruth = BreakdownTruth(*reference, range, p);
          Judge(breakdownTruth, p.breakdownVolts, t.breakdownError, t.breakdownMissing, t.breakdownSpurious);
          if (options.roundTrip) RoundTrip(run, curve, p, range, tag + "_trip", t);
          if (noise == 0) {
            char line[256];
            std::snprintf(line, sizeof line, "| %s | %g | %s | %s | %s | %s | %s | %s | %s |", part.part.c_str(),
                          range, part.kind.c_str(), t.kindSaid.c_str(), Volts(reference->forwardVolts).c_str(),
                          Volts(p.forwardVolts).c_str(), Volts(breakdownTruth).c_str(),
                          Volts(p.breakdownVolts).c_str(),
                          !options.roundTrip ? "-"
                          : t.tripFailed     ? "ngspice failed"
                                             : (Score(t.modelTrip) + " / " + Score(t.tableTrip)).c_str());
            details.push_back(line);
          }
          trials.push_back(std::move(t));
        }
      }
    }
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const auto categories = Categories(parts);

  std::printf("Acceptance set: %zu parts, ranges 100 and 1k ohms, noise 0 / 0.5 / 1 code per conversion, "
              "%d seed(s) with noise; %zu curves\n",
              parts.size(), options.seeds, trials.size());

  std::printf("\nWithout noise, per part (volts; round trip: kvt compare's score, 0 to 100, of the diode "
              "model / the table)\n\n| part | range | kind | said | Vf model | Vf said | Vbr model | Vbr said | "
              "round trip |\n|---|---|---|---|---|---|---|---|---|\n");
  for (const auto& line : details) std::printf("%s\n", line.c_str());

  PrintTable("Kind named right (curves)", categories, trials, [](const std::vector<const Trial*>& ts) {
    int good = 0;
    for (const Trial* t : ts) good += t->kindSaid == t->part->kind;
    return Share(good, static_cast<int>(ts.size()));
  });
  PrintTable("Forward voltage at +1 mA: error max / 95th percentile in mV, share within 10 mV", categories, trials,
             [](const std::vector<const Trial*>& ts) {
               return ErrorCell(ts, &Trial::forwardError, &Trial::forwardMissing, &Trial::forwardSpurious);
             });
  PrintTable("Breakdown voltage at -1 mA: error max / 95th percentile in mV, share within 10 mV", categories, trials,
             [](const std::vector<const Trial*>& ts) {
               return ErrorCell(ts, &Trial::breakdownError, &Trial::breakdownMissing, &Trial::breakdownSpurious);
             });
  if (options.roundTrip) {
    PrintTable("Round trips passing kvt compare: diode model and table subcircuit together", categories, trials,
               [](const std::vector<const Trial*>& ts) {
                 int good = 0, due = 0;
                 for (const Trial* t : ts) {
                   good += t->TripsPassed();
                   due += t->TripsDue();
                 }
                 return Share(good, due);
               });
    PrintTable("Round trips passing: diode model alone", categories, trials, [](const std::vector<const Trial*>& ts) {
      int good = 0, due = 0;
      for (const Trial* t : ts) {
        good += t->modelTrip && t->modelTrip->pass;
        due += t->modelWritten;
      }
      return Share(good, due);
    });
    PrintTable("Round trips passing: table subcircuit alone", categories, trials,
               [](const std::vector<const Trial*>& ts) {
                 int good = 0;
                 for (const Trial* t : ts) good += t->tableTrip && t->tableTrip->pass;
                 return Share(good, static_cast<int>(ts.size()));
               });
  }

  std::map<std::string, int> wrong;
  for (const auto& t : trials)
    if (t.kindSaid != t.part->kind) {
      char key[160];
      std::snprintf(key, sizeof key, "%s on %g ohms, %s: said %s", t.part->part.c_str(), t.rangeOhms,
                    NoiseLabel(t.noise).c_str(), t.kindSaid.c_str());
      ++wrong[key];
    }
  if (!wrong.empty()) {
    std::printf("\nKind named wrong (curves)\n\n");
    for (const auto& [what, count] : wrong) std::printf("- %s (%d)\n", what.c_str(), count);
  }
  const auto failedTrips = std::count_if(trials.begin(), trials.end(), [](const Trial& t) { return t.tripFailed; });
  if (failedTrips)
    std::printf("\nRound trips ngspice could not run (counted as failed): %ld\n", static_cast<long>(failedTrips));
  std::printf("\n%d ngspice runs, %.1f s\n", run.simulations, seconds);
  if (!options.keep) fs::remove_all(run.workDir);
  else std::printf("decks and logs kept in %s\n", run.workDir.c_str());
  return 0;
}
