// The built library through its two exports, loaded the way the program
// loads the port library: by file, resolving the calls by name.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "tests/simulator/port_driver.h"

namespace fs = std::filesystem;

TEST(SimulatorLibrary, AnswersThroughItsExports) {
  fs::path file = fs::temp_directory_path() / ("kvt_sim_lib_" + std::to_string(getpid()) + ".txt");
  std::ofstream(file) << "component = resistor 1k\nrange = 100\nbase = 3BC\nstray = 0\n";
  setenv("KVT_SIM_CONFIG", file.c_str(), 1);
  void* library = dlopen(KVT_SIM_LIBRARY, RTLD_NOW | RTLD_LOCAL);
  unsetenv("KVT_SIM_CONFIG");
  struct Remove { fs::path f; ~Remove() { fs::remove(f); } } removeLater{file};
  ASSERT_NE(library, nullptr) << dlerror();
  using OutFn = int (*)(int, int);
  using InFn = int (*)(int);
  auto out = reinterpret_cast<OutFn>(dlsym(library, "OutPort"));
  auto in = reinterpret_cast<InFn>(dlsym(library, "InPort"));
  ASSERT_NE(out, nullptr);
  ASSERT_NE(in, nullptr);

  EXPECT_EQ(out(0x3BC, 0x1FF), 0xFF);
  EXPECT_EQ(in(0x3BC), 0xFF);
  EXPECT_EQ(out(0x123403BC, 0x12), 0x12);
  EXPECT_EQ(in(0x3BC), 0x12);
  EXPECT_EQ(in(0x378), 255);  // the default base is not where this instrument sits
  EXPECT_EQ(in(0xABCD), 255);

  // The file's switch position: 100 ohms is switch code 1.
  int status = in(0x3BD);
  EXPECT_GE(status, 65);
  EXPECT_LE(status, 191);

  PortDriver driver(out, in, 0x3BC);
  EXPECT_NEAR(driver.Measure(2.2), 2.0, 0.02);  // 1k after 100 ohms
  EXPECT_EQ(in(0x3BC) & 0xC8, 0x12 & 0xC8);    // untouched data lines kept
  dlclose(library);
}

namespace kvt {

// SimulatorMessage gives the program the complaint about the control file's
// latest reading, naming the file as the user named it: KVT_SIM_CONFIG as
// given, or kvt_sim.txt in the current folder. Each case loads its own copy
// of the library: a loaded library keeps the instrument it built.
TEST(SimulatorLibrary, MessageNamesTheControlFileAsTheUserNamedIt) {
  struct Case {
    const char* name;
    const char* control;
    bool named;          // through KVT_SIM_CONFIG, else kvt_sim.txt found in the current folder
    const char* expect;  // the whole message after the file's name; "" for none
  };
  const Case cases[] = {
      {"good file", "component = diode\nnoise = 0\n", true, ""},
      {"bad value", "component = diode\nnoise = 1e308k\n", true, "line 2: bad value for noise: \"1e308k\""},
      {"first of two", "range = 2k\ncolour = blue\n", true,
       "line 1: bad value for range: \"2k\" (and 1 more bad line)"},
      {"found in the folder", "\n\ncomponent = resistor 4k7\n", false,
       "line 3: bad value for component: \"resistor 4k7\": \"4k7\" is not a number (k and M may follow it: "
       "4.7k); resistor needs a resistance in ohms, such as resistor 4.7k"},
  };
  const fs::path dir = fs::temp_directory_path() / ("kvt_sim_message_" + std::to_string(getpid()));
  fs::create_directories(dir);
  struct Remove { fs::path d; ~Remove() { fs::remove_all(d); } } removeLater{dir};
  const fs::path before = fs::current_path();
  int copy = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path control = dir / "kvt_sim.txt";
    std::ofstream(control, std::ios::trunc) << c.control;
    const fs::path library = dir / ("libportio_" + std::to_string(copy++) + ".so");
    fs::copy_file(KVT_SIM_LIBRARY, library);
    if (c.named) setenv("KVT_SIM_CONFIG", control.c_str(), 1);
    else fs::current_path(dir);
    void* handle = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
    unsetenv("KVT_SIM_CONFIG");
    fs::current_path(before);
    ASSERT_NE(handle, nullptr) << dlerror();
    using MessageFn = const char* (*)();
    auto message = reinterpret_cast<MessageFn>(dlsym(handle, "SimulatorMessage"));
    ASSERT_NE(message, nullptr);
    const std::string text = message();
    const std::string file = c.named ? control.string() : "kvt_sim.txt";
    EXPECT_EQ(text, *c.expect ? file + " " + c.expect : "");
    dlclose(handle);
  }
}

}  // namespace kvt
