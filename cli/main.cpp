// kvt: the curve tracer from the command line. Measures through the same
// device routines as kvt_win, draws with the same renderer, reads and writes
// the same files.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <iterator>
#include <string>

#include "cli/command_line.h"
#include "cli/commands.h"

namespace {

constexpr char Usage[] =
    "Usage:\n"
    "  kvt measure [-n POINTS] [-o FILE] [--simulate[=COMPONENT]] [--range 100|1k|10k]\n"
    "              [--ranges 10k,1k,100]\n"
    "  kvt render FILE [--ref FILE]... -o OUT.png|OUT.svg [--size WxH] [--max-v V] [--max-i MA]\n"
    "             [--log-current] [--smooth LEVEL]\n"
    "  kvt convert IN -o OUT.kvt|OUT.csv\n"
    "  kvt params FILE [--json] [--if CURRENT] [--ir CURRENT] [--vr VOLTAGE]\n"
    "  kvt compare REFERENCE FILE [--tolerance auto|PERCENT|VOLTS,AMPS] [--json]\n"
    "  kvt spice FILE -o OUT.lib [--name NAME]\n"
    "  kvt board new BOARD --name NAME [--image PHOTO] --points U3.1,U3.2,R7.1\n"
    "  kvt board golden|test BOARD POINT (FILE | --measure [--simulate[=COMPONENT]])\n"
    "  kvt board report|export|import|show FILE [-o OUT] [--json]\n"
    "  kvt parts add LIBRARY (FILE... | --measure [--simulate[=COMPONENT]]) [--lot LOT] [--tag TAG]\n"
    "  kvt parts list LIBRARY [--lot LOT] [--json]\n"
    "  kvt SUBCOMMAND --help\n"
    "  kvt --help | --version\n"
    "\n"
    "FILE may be a points file (.kvt) or a CSV file. kvt reads kvt_win.cfg in the\n"
    "current folder when there is one (port, delay, averaging, colours, smoothing,\n"
    "ranges) and never writes it; options override it.\n"
    "\n"
    "  measure   sweep the instrument; the points go to FILE (.kvt or .csv) or to\n"
    "            standard output. --simulate uses the simulated instrument, with\n"
    "            COMPONENT one of open, short, diode, led, \"resistor 4.7k\",\n"
    "            \"zener 3.3\"; --range moves its range switch. --ranges sweeps\n"
    "            each range in turn into one CSV curve, asking for the switch.\n"
    "  render    draw the plot as the window draws it, with reference curves.\n"
    "  convert   points file to CSV or back, by the names' extensions.\n"
    "  params    forward voltage, dynamic resistance, breakdown, leakage,\n"
    "            resistance, a diode fit and the kind of part.\n"
    "  compare   score a curve against a known-good reference; exit status 0 when\n"
    "            it passes, 1 when it fails.\n"
    "  spice     a diode model and a table subcircuit for a circuit simulator.\n"
    "  board     a board test's file: a new board with its points, each point's\n"
    "            known-good curve and its test (exit status 0 pass, 1 fail), its\n"
    "            report (HTML or PDF), its points' verdicts, and the board to and\n"
    "            from UFIV 1.1.2.\n"
    "  parts     a library of measured parts (an SQLite file or a postgresql://\n"
    "            URL): parts added from files or the instrument, and listed with\n"
    "            their figures.\n"
    "\n"
    "kvt SUBCOMMAND --help (or -h) lists a subcommand's options with their units\n"
    "and ranges.\n"
    "\n"
    "Exit status: 0 done, 1 failed (or compare, board test: no match), 2 bad\n"
    "input, 128 + N measure or board stopped by signal N.\n";

// A descriptor of 0, 1 or 2 that kvt was started without would go to the
// first file kvt opens, and standard output would land in it. Each is held
// by /dev/null opened the wrong way round, so using it fails as it would
// have failed closed.
void HoldClosedStandardStreams() {
  for (const int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
    if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    const int held = open("/dev/null", fd == STDIN_FILENO ? O_WRONLY : O_RDONLY);
    if (held != -1 && held != fd) {
      dup2(held, fd);
      close(held);
    }
  }
}

// What a command printed must have reached standard output; a full disk or a
// closed stream is a failure, not a silent success.
bool StandardOutputWritten(const std::string& command) {
  errno = 0;
  if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return true;
  std::fprintf(stderr, "kvt%s: standard output cannot be written: %s\n", command.c_str(),
               std::strerror(errno ? errno : EIO));
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace kvt;
  HoldClosedStandardStreams();
  const Subcommand* const commands[] = {&MeasureCommand(), &RenderCommand(),  &ConvertCommand(),
                                        &ParamsCommand(),  &CompareCommand(), &SpiceCommand(),
                                        &BoardCommand(),   &PartsCommand()};
  if (argc < 2) {
    std::fputs(Usage, stderr);
    return 2;
  }
  const std::string first = argv[1];
  if (first == "--help" || first == "-h") {
    std::fputs(Usage, stdout);
    return StandardOutputWritten("") ? 0 : 1;
  }
  if (first == "--version") {
    std::printf("kvt %s\n", KVT_VERSION);
    return StandardOutputWritten("") ? 0 : 1;
  }
  const auto command = std::find_if(std::begin(commands), std::end(commands),
                                    [&](const Subcommand* c) { return c->name == first; });
  if (command == std::end(commands)) {
    std::fprintf(stderr, "kvt: unknown command \"%s\" (kvt --help lists them)\n", first.c_str());
    return 2;
  }
  const Words words(argv + 2, argv + argc);
  const std::string name = " " + first;
  int status = 1;
  try {
    if (AsksForHelp(words)) {
      std::fputs(HelpText(**command).c_str(), stdout);
      status = 0;
    } else {
      status = (*command)->run(words);
    }
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
  return StandardOutputWritten(name) ? status : 1;
}
