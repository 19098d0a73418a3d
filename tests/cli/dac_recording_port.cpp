// A port library for kvt measure's tests: the simulated instrument's
// registers (set by the text in KVT_TEST_SIM), and when the library is
// unloaded at the program's end, the DAC code the instrument was left at
// written to the file KVT_TEST_DAC_FILE names, so a test can see the
// voltage kvt left on the part.
#include <cstdio>
#include <cstdlib>

#include "simulator/instrument.h"
#include "simulator/sim_config.h"

namespace {

const char* Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

struct RecordingInstrument {
  kvtsim::Instrument instrument{kvtsim::ParseConfig(Environment("KVT_TEST_SIM"))};
  ~RecordingInstrument() {
    if (std::FILE* file = std::fopen(Environment("KVT_TEST_DAC_FILE"), "w")) {
      std::fprintf(file, "%d\n", instrument.AppliedCode());
      std::fclose(file);
    }
  }
};

RecordingInstrument recording;

}  // namespace

extern "C" __attribute__((visibility("default"))) int OutPort(int port, int value) {
  return recording.instrument.Out(port, value);
}

extern "C" __attribute__((visibility("default"))) int InPort(int port) { return recording.instrument.In(port); }
