#pragma once
// Published circuit-simulator models of real parts pushed through the
// instrument's circuit: the DAC's voltage through the range resistor into the
// part, ngspice for the part's voltage, and the measuring converter's codes
// and averaging on top, as a sweep of the real instrument would read them.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "core/curve.h"
#include "device/device_routines.h"
#include "simulator/noise_source.h"

namespace kvt::parts {

// One line of the set's list (tests/data/parts/parts.txt).
struct PartEntry {
  std::string part;      // "1N4148", "1N4148 + 10k"
  std::string category;  // "small-signal silicon", "zener", ...
  std::string kind;      // the analysis's word for it: "diode", "zener", "LED", "resistor"
  std::string modelFile; // empty when the netlist needs no model
  std::vector<std::string> netlist;  // the part between node "a" and ground
};

inline std::string Trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t\r");
  return std::string(text.substr(first, last - first + 1));
}

inline std::vector<std::string> SplitTrimmed(std::string_view text, char separator) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  while (true) {
    const auto end = text.find(separator, start);
    fields.push_back(Trimmed(text.substr(start, end == std::string_view::npos ? end : end - start)));
    if (end == std::string_view::npos) return fields;
    start = end + 1;
  }
}

// The list's lines; blank and "#" lines are skipped. A line without its five
// fields, or with an empty one, is an error naming the line, since a
// half-read set would quietly judge fewer parts.
struct PartList {
  std::vector<PartEntry> entries;
  std::string error;
};

inline PartList ParsePartList(std::istream& in) {
  PartList list;
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    const std::string text = Trimmed(line);
    if (text.empty() || text[0] == '#') continue;
    const auto fields = SplitTrimmed(text, '|');
    const bool complete = fields.size() == 5 && std::none_of(fields.begin(), fields.end(),
                                                             [](const std::string& f) { return f.empty(); });
    if (!complete) {
      list.error = "line " + std::to_string(number) + ": want part | category | kind | model file | netlist";
      return list;
    }
    PartEntry entry{fields[0], fields[1], fields[2], fields[3] == "-" ? "" : fields[3], {}};
    for (const auto& element : SplitTrimmed(fields[4], ';'))
      if (!element.empty()) entry.netlist.push_back(element);
    list.entries.push_back(std::move(entry));
  }
  return list;
}

inline PartList ReadPartList(const std::filesystem::path& file) {
  std::ifstream in(file);
  if (!in) return {{}, "cannot read " + file.string()};
  return ParsePartList(in);
}

// The part's lines for a deck: its model included by absolute path.
inline std::string PartNetlist(const PartEntry& entry, const std::filesystem::path& partsDir) {
  std::string text;
  if (!entry.modelFile.empty()) text += ".include " + (partsDir / entry.modelFile).string() + "\n";
  for (const auto& element : entry.netlist) text += element + "\n";
  return text;
}

// Applied voltages of a DC sweep and the voltages at the probed nodes.
struct CircuitSweep {
  std::vector<double> applied;
  std::vector<std::vector<double>> probes;  // probes[k][row]
};

// Runs ngspice in batch mode on `circuit` (which drives node "in" from
// source V1), sweeping V1 over the DAC's span in `stepVolts`, and reads the
// probed node voltages. `name` names the deck, data and log files in
// `workDir`. Nothing when ngspice fails or gives no row.
inline std::optional<CircuitSweep> RunSweep(const std::string& ngspice, const std::filesystem::path& workDir,
                                            const std::string& name, const std::string& circuit,
                                            const std::vector<std::string>& probes, double stepVolts = 0.01) {
  const auto cir = workDir / (name + ".cir"), out = workDir / (name + ".txt"), log = workDir / (name + ".log");
  {
    std::ofstream deck(cir);
    deck << "* " << name << "\nV1 in 0 0\n" << circuit << ".control\nset wr_singlescale\ndc V1 " << AdcLowVolts
         << ' ' << AdcHighVolts << ' ' << stepVolts << "\nwrdata " << out.string();
    for (const auto& probe : probes) deck << ' ' << probe;
    deck << "\nquit\n.endc\n.end\n";
  }
  std::filesystem::remove(out);
  const std::string command = ngspice + " -b " + cir.string() + " > " + log.string() + " 2>&1";
  if (std::system(command.c_str()) != 0) return std::nullopt;
  std::ifstream in(out);
  CircuitSweep sweep;
  sweep.probes.resize(probes.size());
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream row(line);
    double applied;
    if (!(row >> applied)) continue;
    std::vector<double> values(probes.size());
    for (double& v : values)
      if (!(row >> v)) return std::nullopt;
    sweep.applied.push_back(applied);
    for (std::size_t k = 0; k < values.size(); ++k) sweep.probes[k].push_back(values[k]);
  }
  if (sweep.applied.empty()) return std::nullopt;
  return sweep;
}

// The instrument's circuit around a part: V1 through the range resistor into
// node "a", named apart from anything a part's netlist may call R1.
inline std::string RangeCircuit(double rangeOhms, const std::string& part) {
  std::ostringstream text;
  text << "Rrange in a " << rangeOhms << "\n" << part;
  return text.str();
}

// The part voltage at each of the 1024 DAC codes, picked from a sweep whose
// step divides 10 mV; nothing when a code has no row within a tenth of its step.
inline std::optional<std::vector<double>> VoltsAtCodes(const CircuitSweep& sweep, std::size_t probe = 0) {
  std::vector<double> volts(1024);
  std::size_t row = 0;
  for (int code = 0; code < 1024; ++code) {
    const double applied = VoltsFromCode(code);
    while (row + 1 < sweep.applied.size() &&
           std::abs(sweep.applied[row + 1] - applied) <= std::abs(sweep.applied[row] - applied))
      ++row;
    if (row >= sweep.applied.size() || std::abs(sweep.applied[row] - applied) > 0.001) return std::nullopt;
    volts[static_cast<std::size_t>(code)] = sweep.probes[probe][row];
  }
  return volts;
}

// One conversion of the measuring converter: the nearest code to the part's
// voltage plus the noise, held to 0..1023.
inline int ConversionCode(double partVolts, double noiseCodes) {
  const double reading = std::nearbyint(partVolts * 100 + 512 + noiseCodes);
  return static_cast<int>(std::clamp(reading, 0.0, 1023.0));
}

// What a measured point reads: four conversions with Gaussian noise of
// `sigmaCodes` each, combined as the device combines them.
inline double MeasuredVolts(double partVolts, kvtsim::NoiseSource& noise, double sigmaCodes) {
  int conversions[4];
  for (int& c : conversions) c = ConversionCode(partVolts, noise.Offset(sigmaCodes, 0.0));
  return VoltsFromCode(CombineConversions(conversions, 4));
}

// A 1024-point curve from the part's voltage at every code, measured on
// `rangeOhms` with the given noise; the current from the applied and the
// measured voltage, as the program computes it.
inline Curve MeasuredCurve(const std::vector<double>& partVoltsAtCodes, double rangeOhms, double sigmaCodes,
                           std::uint64_t seed) {
  kvtsim::NoiseSource noise(seed);
  Curve curve;
  curve.info.pointCount = static_cast<int>(partVoltsAtCodes.size());
  for (std::size_t code = 0; code < partVoltsAtCodes.size(); ++code) {
    const double applied = VoltsFromCode(static_cast<int>(code));
    const double volts = MeasuredVolts(partVoltsAtCodes[code], noise, sigmaCodes);
    curve.points.push_back({volts, (applied - volts) / rangeOhms, false, rangeOhms});
  }
  FlagClipping(curve);
  return curve;
}

// The part's voltage where the noise-free sweep carries `amps` (forward for a
// positive value, reverse for a negative one), interpolated between the two
// rows around it; nothing when the sweep never gets there.
inline std::optional<double> VoltsWhereCurrent(const CircuitSweep& sweep, double rangeOhms, double amps,
                                               std::size_t probe = 0) {
  const auto& volts = sweep.probes[probe];
  for (std::size_t i = 1; i < sweep.applied.size(); ++i) {
    const double i0 = (sweep.applied[i - 1] - volts[i - 1]) / rangeOhms;
    const double i1 = (sweep.applied[i] - volts[i]) / rangeOhms;
    if ((i0 - amps) * (i1 - amps) > 0 || i0 == i1) continue;
    return volts[i - 1] + (volts[i] - volts[i - 1]) * (amps - i0) / (i1 - i0);
  }
  return std::nullopt;
}

}  // namespace kvt::parts
