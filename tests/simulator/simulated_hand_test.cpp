// The simulated hand: the control file's pause, the request carried out once
// its time has come, and the library's SimulatorMoveSwitch turning the
// switch the program reads.
#include "simulator/simulated_hand.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>

#include "simulator/sim_config.h"

namespace fs = std::filesystem;

namespace kvtsim {

TEST(SimulatedHand, ThePauseIsTheControlFilesHandSetting) {
  struct Case {
    const char* text;
    double seconds;
    bool refused;
  };
  const Case cases[] = {{"", 1.0, false},           {"hand = 0", 0.0, false},  {"hand = 0.25", 0.25, false},
                        {"hand = 60", 60.0, false}, {"hand = -1", 1.0, true},  {"hand = 61", 1.0, true},
                        {"hand = soon", 1.0, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::vector<std::string> problems;
    EXPECT_EQ(ParseConfig(c.text, &problems).handSeconds, c.seconds);
    EXPECT_EQ(problems.size(), c.refused ? 1u : 0u);
  }
}

TEST(SimulatedHand, ARequestIsCarriedOutOnceItsTimeHasCome) {
  struct Step {
    double now;
    std::optional<int> request;  // asked at `now` with a pause of 1 s
    std::optional<int> due;      // what Due(now) gives after it
  };
  struct Case {
    const char* name;
    std::vector<Step> steps;
  };
  const Case cases[] = {
      {"after the pause, once", {{0, 100, {}}, {0.5, {}, {}}, {1.0, {}, 100}, {1.5, {}, {}}}},
      {"a later request replaces one not done", {{0, 100, {}}, {0.5, 10000, {}}, {1.2, {}, {}}, {1.5, {}, 10000}}},
      {"a position the switch does not have", {{0, 470, {}}, {2, {}, {}}}},
      {"nothing asked", {{5, {}, {}}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SimulatedHand hand;
    for (const Step& s : c.steps) {
      if (s.request) hand.Request(*s.request, s.now, 1.0);
      EXPECT_EQ(hand.Due(s.now), s.due) << "at " << s.now;
    }
  }
}

// Through the library, as the program calls it: with no pause the next read
// of the status register shows the switch at the position asked for; with a
// long one it has not moved yet.
TEST(SimulatedHand, TheLibrarysHandTurnsTheSwitchTheProgramReads) {
  struct Case {
    const char* name;
    const char* control;
    int askFor;
    int statusSwitchBits;  // bits 6 and 7 of the status byte after the request
  };
  const Case cases[] = {
      {"to 100 at once", "range = 1k\nhand = 0\nnoise = 0\n", 100, 0x80},
      {"to 10k at once", "range = 1k\nhand = 0\nnoise = 0\n", 10000, 0x00},
      {"not yet after a minute's pause", "range = 1k\nhand = 60\nnoise = 0\n", 100, 0xC0},
  };
  const fs::path dir = fs::temp_directory_path() / ("kvt_sim_hand_" + std::to_string(getpid()));
  fs::create_directories(dir);
  struct Remove { fs::path d; ~Remove() { fs::remove_all(d); } } removeLater{dir};
  int copy = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path control = dir / "kvt_sim.txt";
    std::ofstream(control, std::ios::trunc) << c.control;
    const fs::path library = dir / ("libportio_" + std::to_string(copy++) + ".so");
    fs::copy_file(KVT_SIM_LIBRARY, library);
    setenv("KVT_SIM_CONFIG", control.c_str(), 1);
    void* handle = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
    unsetenv("KVT_SIM_CONFIG");
    ASSERT_NE(handle, nullptr) << dlerror();
    using InFn = int (*)(int);
    using MoveFn = void (*)(int);
    auto in = reinterpret_cast<InFn>(dlsym(handle, "InPort"));
    auto move = reinterpret_cast<MoveFn>(dlsym(handle, "SimulatorMoveSwitch"));
    ASSERT_NE(in, nullptr);
    ASSERT_NE(move, nullptr);
    EXPECT_EQ(in(0x379) & 0xC0, 0xC0);  // 1k from the file
    move(c.askFor);
    EXPECT_EQ(in(0x379) & 0xC0, c.statusSwitchBits);
    dlclose(handle);
  }
}

}  // namespace kvtsim
