// The control file: what it says and when it is read again.
#include "simulator/config_watcher.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

using kvtsim::ComponentKind;
using kvtsim::ConfigWatcher;
using kvtsim::ParseConfig;
using kvtsim::SimConfig;

namespace fs = std::filesystem;

TEST(ControlFile, ReadsEverySetting) {
  SimConfig c = ParseConfig(
      "# bench set-up\r\n"
      "component = zener 5.1\r\n"
      "range = 10k   # the stiffest\n"
      "noise = 0.5\n"
      "stray=0\n"
      "seed = 42\n"
      "base = 0x278\n");
  EXPECT_EQ(c.component.kind, ComponentKind::Zener);
  EXPECT_DOUBLE_EQ(c.component.value, 5.1);
  EXPECT_EQ(c.rangeOhms, 10000);
  EXPECT_DOUBLE_EQ(c.noiseLsb, 0.5);
  EXPECT_DOUBLE_EQ(c.strayRate, 0.0);
  EXPECT_EQ(c.seed, 42u);
  EXPECT_EQ(c.base, 0x278);

  EXPECT_EQ(ParseConfig("component = resistor 4.7k").component, (kvtsim::Component{ComponentKind::Resistor, 4700}));
  EXPECT_EQ(ParseConfig("component = Resistor 2M").component.value, 2e6);
  EXPECT_EQ(ParseConfig("component = resistor 0").component.kind, ComponentKind::Short);
  EXPECT_EQ(ParseConfig("component = LED").component.kind, ComponentKind::Led);
  EXPECT_EQ(ParseConfig("component = open").component.kind, ComponentKind::Open);
  EXPECT_EQ(ParseConfig("component = short").component.kind, ComponentKind::Short);
  EXPECT_EQ(ParseConfig("range = 100").rangeOhms, 100);
  EXPECT_EQ(ParseConfig("range = 1000").rangeOhms, 1000);
  EXPECT_EQ(ParseConfig("range = 1K").rangeOhms, 1000);
  EXPECT_EQ(ParseConfig("base = 3BC").base, 0x3BC);
  EXPECT_EQ(ParseConfig("base = &H278").base, 0x278);
  // The last word on a setting counts.
  EXPECT_EQ(ParseConfig("range = 100\nrange = 10k").rangeOhms, 10000);
}

TEST(ControlFile, MistakesAreReportedAndKeepTheDefault) {
  std::vector<std::string> problems;
  SimConfig c = ParseConfig(
      "component = resistor\n"      // 1: value missing
      "component = zener -3\n"      // 2
      "component = diode 5\n"       // 3: a diode takes no value
      "range = 2k\n"                // 4
      "noise = -1\n"                // 5
      "stray = 1.5\n"               // 6
      "seed = many\n"               // 7
      "base = 12345\n"              // 8: beyond 16 bits
      "colour = blue\n"             // 9
      "just words\n"                // 10
      "\n"
      "component = led\n",
      &problems);
  SimConfig defaults;
  EXPECT_EQ(c.component.kind, ComponentKind::Led);
  EXPECT_EQ(c.rangeOhms, defaults.rangeOhms);
  EXPECT_EQ(c.noiseLsb, defaults.noiseLsb);
  EXPECT_EQ(c.strayRate, defaults.strayRate);
  EXPECT_EQ(c.seed, defaults.seed);
  EXPECT_EQ(c.base, defaults.base);
  ASSERT_EQ(problems.size(), 10u);
  for (int i = 0; i < 10; ++i)
    EXPECT_EQ(problems[i].rfind("line " + std::to_string(i + 1) + ":", 0), 0u) << problems[i];

  EXPECT_EQ(ParseConfig("").component.kind, ComponentKind::Diode);
  EXPECT_EQ(ParseConfig("").rangeOhms, 1000);
}

// What the program shows for a component it cannot simulate: the reason,
// with what would be accepted.
TEST(ControlFile, AComponentThatIsNoneSaysWhy) {
  struct Case {
    const char* name;
    const char* text;
    const char* reason;  // part of it
  };
  const Case cases[] = {
      {"value the wrong way", "resistor 4k7", "\"4k7\" is not a number (k and M may follow it: 4.7k)"},
      {"negative zener", "zener -3", "zener needs a breakdown voltage above 0"},
      {"resistor without ohms", "resistor", "resistor needs a resistance in ohms"},
      {"negative resistor", "resistor -5", "a resistance cannot be negative"},
      {"value for a diode", "diode 5", "diode takes no value"},
      {"unknown part", "capacitor 1u", "no component \"capacitor\"; one of open, short, diode, led"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string reason;
    EXPECT_FALSE(kvtsim::ParseComponent(c.text, &reason));
    EXPECT_NE(reason.find(c.reason), std::string::npos) << reason;
    std::vector<std::string> problems;
    ParseConfig(std::string("component = ") + c.text, &problems);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0], std::string("line 1: bad value for component: \"") + c.text + "\": " + reason);
  }
}

class ControlFileWatch : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("kvt_sim_test_" + std::to_string(getpid()));
    fs::create_directories(dir_);
    path_ = (dir_ / "kvt_sim.txt").string();
  }
  void TearDown() override { fs::remove_all(dir_); }

  // Writes the file and moves its time stamp on, so a rewrite within the
  // file system's time resolution still shows.
  void Write(const std::string& text) {
    std::ofstream(path_, std::ios::trunc) << text;
    stampShift_ += std::chrono::seconds(2);
    fs::last_write_time(path_, fs::file_time_type::clock::now() + stampShift_);
  }

  fs::path dir_;
  std::string path_;
  std::chrono::seconds stampShift_{0};
};

TEST_F(ControlFileWatch, ReloadsAChangedFileAtMostOnceASecond) {
  Write("component = resistor 1000\nrange = 1k\n");
  ConfigWatcher watcher(path_);
  EXPECT_EQ(watcher.Load().rangeOhms, 1000);
  EXPECT_FALSE(watcher.Poll(10.0));  // unchanged

  Write("component = resistor 1000\nrange = 100\n");
  EXPECT_FALSE(watcher.Poll(10.5));  // too soon to look again
  EXPECT_FALSE(watcher.Poll(10.99));
  auto moved = watcher.Poll(11.0);
  ASSERT_TRUE(moved);
  EXPECT_EQ(moved->rangeOhms, 100);
  EXPECT_EQ(moved->component.kind, ComponentKind::Resistor);
  EXPECT_FALSE(watcher.Poll(12.0));  // read once per change

  Write("range = 10k\nnonsense\n");
  auto again = watcher.Poll(13.0);
  ASSERT_TRUE(again);
  EXPECT_EQ(again->rangeOhms, 10000);
  EXPECT_EQ(watcher.Problems().size(), 1u);

  // A file that goes away leaves the last setting; when it comes back it counts.
  fs::remove(path_);
  EXPECT_FALSE(watcher.Poll(14.0));
  Write("range = 100\n");
  auto back = watcher.Poll(15.0);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->rangeOhms, 100);
}

TEST_F(ControlFileWatch, AFileThatAppearsLaterIsPickedUp) {
  ConfigWatcher watcher(path_);
  EXPECT_EQ(watcher.Load(), SimConfig{});
  EXPECT_FALSE(watcher.Poll(0.0));
  Write("component = short\n");
  auto config = watcher.Poll(1.0);
  ASSERT_TRUE(config);
  EXPECT_EQ(config->component.kind, ComponentKind::Short);
}

TEST(ControlFilePath, EnvironmentNamesTheFile) {
  setenv("KVT_SIM_CONFIG", "/tmp/elsewhere/bench.txt", 1);
  EXPECT_EQ(kvtsim::ConfigPathFromEnvironment(), "/tmp/elsewhere/bench.txt");
  setenv("KVT_SIM_CONFIG", "", 1);
  EXPECT_EQ(kvtsim::ConfigPathFromEnvironment(), (fs::current_path() / "kvt_sim.txt").string());
  unsetenv("KVT_SIM_CONFIG");
  EXPECT_EQ(kvtsim::ConfigPathFromEnvironment(), (fs::current_path() / "kvt_sim.txt").string());
}

namespace kvt {

// A value is finite only once its k or M has been applied: 1e308k is no
// number the instrument can hold, and taking it made every reading 0.
TEST(ControlFile, ValuesBeyondTheDoubleRangeAfterScalingAreRefused) {
  struct Case {
    const char* name;
    const char* line;
  };
  const Case cases[] = {
      {"resistor in kilo-ohms", "component = resistor 1e308k"},
      {"resistor in mega-ohms", "component = resistor 2e303M"},
      {"zener", "component = zener 1e308k"},
      {"noise", "noise = 1e308k"},
      {"stray", "stray = 1e308m"},
  };
  const SimConfig defaults;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> problems;
    const SimConfig config = ParseConfig(c.line, &problems);
    EXPECT_EQ(config, defaults);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].rfind("line 1: bad value for ", 0), 0u) << problems[0];
  }
  // The largest values that stay finite are still taken.
  EXPECT_EQ(ParseConfig("component = resistor 1e305k").component.value, 1e308);
  EXPECT_EQ(ParseConfig("noise = 1e302M").noiseLsb, 1e308);
}

}  // namespace kvt
