// kvt: the curve tracer from the command line. Measures through the same
// device routines as kvt_win, draws with the same renderer, reads and writes
// the same files.
#include <cstdio>
#include <cstring>
#include <exception>
#include <map>
#include <string>

#include "cli/command_line.h"
#include "cli/commands.h"

namespace {

constexpr char Usage[] =
    "Usage:\n"
    "  kvt measure [-n POINTS] [-o FILE] [--simulate[=COMPONENT]] [--range 100|1k|10k]\n"
    "  kvt render FILE [--ref FILE]... -o OUT.png|OUT.svg [--size WxH] [--max-v V] [--max-i MA] [--smooth LEVEL]\n"
    "  kvt convert IN -o OUT\n"
    "  kvt params FILE [--json] [--if A] [--ir A] [--vr V]\n"
    "  kvt compare REFERENCE FILE [--tolerance auto|PERCENT] [--json]\n"
    "  kvt spice FILE -o OUT.lib [--name NAME]\n"
    "  kvt --help | --version\n"
    "\n"
    "FILE may be a points file (.kvt) or a CSV file. kvt reads kvt_win.cfg in the\n"
    "current folder when there is one (port, delay, averaging, colours, smoothing,\n"
    "ranges) and never writes it; options override it.\n"
    "\n"
    "  measure   sweep the instrument; the points go to FILE (.kvt or .csv) or to\n"
    "            standard output. --simulate uses the simulated instrument, with\n"
    "            COMPONENT one of open, short, diode, led, \"resistor 4.7k\",\n"
    "            \"zener 3.3\"; --range moves its range switch.\n"
    "  render    draw the plot as the window draws it, with reference curves.\n"
    "  convert   points file to CSV or back, by the names' extensions.\n"
    "  params    forward voltage, dynamic resistance, breakdown, leakage,\n"
    "            resistance, a diode fit and the kind of part.\n"
    "  compare   score a curve against a known-good reference; exit status 0 when\n"
    "            it passes, 1 when it fails.\n"
    "  spice     a diode model and a table subcircuit for a circuit simulator.\n"
    "\n"
    "Exit status: 0 done, 1 failed (or compare: no match), 2 bad input.\n";

}  // namespace

int main(int argc, char** argv) {
  using namespace kvt;
  const std::map<std::string, int (*)(const Words&)> commands = {
      {"measure", RunMeasure}, {"render", RunRender}, {"convert", RunConvert},
      {"params", RunParams},   {"compare", RunCompare}, {"spice", RunSpice}};
  if (argc < 2) {
    std::fputs(Usage, stderr);
    return 2;
  }
  const std::string first = argv[1];
  if (first == "--help" || first == "-h") {
    std::fputs(Usage, stdout);
    return 0;
  }
  if (first == "--version") {
    std::printf("kvt %s\n", KVT_VERSION);
    return 0;
  }
  const auto command = commands.find(first);
  if (command == commands.end()) {
    std::fprintf(stderr, "kvt: unknown command \"%s\" (kvt --help lists them)\n", first.c_str());
    return 2;
  }
  const Words words(argv + 2, argv + argc);
  try {
    return command->second(words);
  } catch (const UsageError& e) {
    std::fprintf(stderr, "kvt %s: %s\n", first.c_str(), e.what());
    return 2;
  } catch (const RunError& e) {
    std::fprintf(stderr, "kvt %s: %s\n", first.c_str(), e.what());
    return 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "kvt %s: %s\n", first.c_str(), e.what());
    return 1;
  }
}
