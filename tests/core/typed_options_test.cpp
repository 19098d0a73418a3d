#include "core/typed_options.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <functional>
#include <limits>
#include <string>
#include <vector>

namespace kvt {

namespace {

const ScreenTwips Screen{1024 * 15.0, 768 * 15.0};
constexpr double None = std::numeric_limits<double>::quiet_NaN();  // no port base

// How one kind of entry is read as a number and written from one.
struct Kind {
  const char* name;
  int index;
  std::function<double(const TypedOptions&)> read;
  std::function<void(TypedOptions&, double)> write;
  std::vector<int> together = {};  // entries written with it, as the widgets write them
};

const std::vector<int> ColourEntries = {BackRed, BackGreen, BackBlue, LineRed, LineGreen, LineBlue,
                                        TextRed, TextGreen, TextBlue};

PlotColours WithComponent(PlotColours colours, int index, int value) {
  Colour* colour = index < LineRed ? &colours.background : index < SmoothingOn ? &colours.line : &colours.text;
  const int first = index < LineRed ? BackRed : index < SmoothingOn ? LineRed : TextRed;
  int rgb[3] = {RedOf(*colour), GreenOf(*colour), BlueOf(*colour)};
  rgb[index - first] = value;
  *colour = MakeColour(rgb[0], rgb[1], rgb[2]);
  return colours;
}

int ComponentOf(const PlotColours& colours, int index) {
  const Colour colour = index < LineRed ? colours.background : index < SmoothingOn ? colours.line : colours.text;
  const int first = index < LineRed ? BackRed : index < SmoothingOn ? LineRed : TextRed;
  return (colour >> (8 * (index - first))) & 0xFF;
}

Kind ColourKind(const char* name, int index) {
  return {name, index, [index](const TypedOptions& o) { return ComponentOf(o.Plot().colours, index); },
          [index](TypedOptions& o, double v) { o.SetColours(WithComponent(o.Plot().colours, index, int(v))); },
          ColourEntries};
}

// The device texts are written as typed; their numbers are only read.
Kind DeviceTextKind(const char* name, int index, std::function<double(const DeviceOptions&)> read) {
  return {name, index, [read](const TypedOptions& o) { return read(o.Device()); },
          [](TypedOptions& o, double) {
            o.SetDeviceTexts({o.Table()[PortDelayMicros], o.Table()[PortHex], o.Table()[AveragingCount]});
          }};
}

Kind GeometryKind(const char* name, int index) {
  return {name, index,
          [index](const TypedOptions& o) {
            const WindowOptions& w = o.Window();
            const double values[] = {w.left, w.top, w.width, w.height, w.state};
            return values[index];
          },
          [index](TypedOptions& o, double v) {
            const WindowOptions& w = o.Window();
            double values[] = {w.left, w.top, w.width, w.height, w.state};
            values[index] = v;
            o.SetWindowGeometry(values[0], values[1], values[2], values[3], int(values[4]));
          },
          {WindowLeft, WindowTop, WindowWidth, WindowHeight, WindowState}};
}

const Kind Smoothing{"smoothing", SmoothingOn, [](const TypedOptions& o) { return o.Plot().controls.smoothing; },
                     [](TypedOptions& o, double v) { o.SetSmoothing(v != 0); }};
const Kind Level{"level", SmoothingLevel, [](const TypedOptions& o) { return o.Plot().controls.smoothingLevel; },
                 [](TypedOptions& o, double v) { o.SetSmoothingLevel(int(v)); }};
const Kind MaxV{"max V", MaxVoltsSetting, [](const TypedOptions& o) { return o.Plot().controls.maxVolts; },
                [](TypedOptions& o, double v) { o.SetMaxVolts(int(v)); }};
const Kind MaxI{"max I", MaxMilliampsSetting, [](const TypedOptions& o) { return o.Plot().controls.maxMilliamps; },
                [](TypedOptions& o, double v) { o.SetMaxMilliamps(int(v)); }};
const Kind Points{"points", PointsChoice, [](const TypedOptions& o) { return o.Device().pointsChoice; },
                  [](TypedOptions& o, double v) { o.SetPointsChoice(int(v)); }};
const Kind BackG = ColourKind("background green", BackGreen);
const Kind LineB = ColourKind("line blue", LineBlue);
const Kind TextR = ColourKind("text red", TextRed);
const Kind Delay = DeviceTextKind("delay", PortDelayMicros, [](const DeviceOptions& d) { return d.delayMicros; });
const Kind Averaging = DeviceTextKind("averaging", AveragingCount, [](const DeviceOptions& d) { return d.averaging; });
const Kind Port = DeviceTextKind("port", PortHex, [](const DeviceOptions& d) { return d.portBase ? *d.portBase : None; });
const Kind Left = GeometryKind("left", WindowLeft);
const Kind Height = GeometryKind("height", WindowHeight);
const Kind State = GeometryKind("state", WindowState);
const Kind SaveOnExit{"save on exit", SaveWindowOnExit, [](const TypedOptions& o) { return o.Window().saveOnExit; },
                      [](TypedOptions& o, double v) { o.SetWindowChecks(v != 0, o.Window().showAboutAtStart); }};
const Kind About{"about at start", ShowAboutAtStart, [](const TypedOptions& o) { return o.Window().showAboutAtStart; },
                 [](TypedOptions& o, double v) { o.SetWindowChecks(o.Window().saveOnExit, v != 0); }};

struct RoundTrip {
  const Kind& kind;
  const char* text;     // as a hand-edited file may hold it
  double number;        // what the program works with
  const char* written;  // the text the number is written back as
};

const RoundTrip RoundTrips[] = {
    {Smoothing, "1", 1, "1"},
    {Smoothing, " 1", 0, "0"},  // only the exact text is on
    {Smoothing, "1.0", 0, "0"},
    {Smoothing, "", 0, "0"},
    {Level, "7.5", 8, "8"},  // ties to even
    {Level, "6.5", 6, "6"},
    {Level, " 12", 12, "12"},
    {Level, "abc", 0, "0"},
    {Level, "-3", -3, "-3"},
    {Level, "1e3", 1000, "1000"},
    {Level, "", 0, "0"},
    {Level, "70000", 0, "0"},  // beyond 16 bits
    {MaxV, "03", 3, "3"},
    {MaxV, "&H4", 4, "4"},
    {MaxI, "9.49", 9, "9"},
    {Points, "4 ", 4, "4"},
    {Points, "-0", 0, "0"},
    {BackG, "300", 255, " 255"},  // clamped to a component
    {BackG, "-3", 0, " 0"},
    {BackG, " 96", 96, " 96"},
    {LineB, "7.5", 8, " 8"},
    {LineB, "1e3", 255, " 255"},
    {TextR, "70000", 0, " 0"},
    {TextR, "abc", 0, " 0"},
    {Delay, "70000", 70000, "70000"},  // device texts stay as typed
    {Delay, "7.5", 8, "7.5"},
    {Delay, "2.5", 2, "2.5"},
    {Delay, " 12", 12, " 12"},
    {Delay, "1e3", 1000, "1e3"},
    {Delay, "-3", -3, "-3"},
    {Delay, "3000000000", 0, "3000000000"},  // beyond 32 bits: no pause
    {Delay, "abc", 0, "abc"},
    {Delay, "", 0, ""},
    {Averaging, "4", 4, "4"},
    {Averaging, "0", 1, "0"},  // at least one conversion
    {Averaging, "-3", 1, "-3"},
    {Averaging, "7.5", 8, "7.5"},
    {Averaging, "70000", 1, "70000"},
    {Averaging, "abc", 1, "abc"},
    {Port, "378", 0x378, "378"},
    {Port, " 3BC", 0x3BC, " 3BC"},
    {Port, "3bc junk", 0x3BC, "3bc junk"},
    {Port, "FFFD", 0xFFFD, "FFFD"},
    {Port, "FFFE", None, "FFFE"},  // the registers would pass 0xFFFF
    {Port, "zz", 0, "zz"},
    {Port, "", 0, ""},
    {Left, " 1200", 1200, " 1200"},
    {Left, "-15", -15, "-15"},
    {Left, "1e3", 1000, " 1000"},
    {Left, "abc", 0, " 0"},
    {Height, "8175.5", 8175.5, " 8175.5"},
    {Height, "", 0, " 0"},
    {State, "2", 2, " 2"},
    {State, "1.0", 1, " 1"},
    {SaveOnExit, "1", 1, "1"},
    {SaveOnExit, "yes", 0, "0"},
    {About, "01", 0, "0"},
};

bool Same(double a, double b) { return a == b || (a != a && b != b); }

std::string ReadAll(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return "<missing>";
  return file.readAll().toStdString();
}

}  // namespace

TEST(TypedOptions, TextToNumberToTextForEveryKindOfEntry) {
  for (const RoundTrip& r : RoundTrips) {
    SCOPED_TRACE(std::string(r.kind.name) + " \"" + r.text + "\"");
    TypedOptions options;
    options.SetEntry(r.kind.index, r.text);
    const double number = r.kind.read(options);
    EXPECT_TRUE(Same(number, r.number)) << number;
    EXPECT_EQ(options.Table()[r.kind.index], r.text);  // reading rewrites nothing

    const Settings before = options.Table();
    r.kind.write(options, number);
    EXPECT_EQ(options.Table()[r.kind.index], r.written);
    EXPECT_TRUE(Same(r.kind.read(options), r.number));
    const auto& together = r.kind.together;
    for (int i = 0; i < SettingsSlots; ++i) {
      if (i == r.kind.index || std::find(together.begin(), together.end(), i) != together.end()) continue;
      EXPECT_EQ(options.Table()[i], before[i]) << "entry " << i;
    }
  }
}

// Loading takes the file's texts as they are, so an unchanged session writes
// back what it read, and the numbers follow the file, not what came before.
TEST(TypedOptions, LoadKeepsTheTextsAndRefreshesEveryNumber) {
  QTemporaryDir dir;
  const std::string configDir = dir.path().toStdString() + "/";
  Settings file;
  SetDefaultSettings(file, AllGroups);
  file[SmoothingOn] = "1";
  file[SmoothingLevel] = "7.5";
  file[MaxVoltsSetting] = " 3";
  file[LineRed] = "200.4";
  file[PortDelayMicros] = "1e2";
  file[AveragingCount] = " 8";
  file[PortHex] = "3bc";
  file[WindowLeft] = "-30";
  file[WindowState] = "1";
  file[ShowAboutAtStart] = "0";
  file[Reserved8] = "kept";
  ASSERT_TRUE(WriteSettings(file, configDir));
  const std::string bytes = ReadAll(dir.filePath(ConfigFileName));

  TypedOptions options;
  options.SetEntry(PortDelayMicros, "5");
  options.Load(configDir, Screen);
  EXPECT_TRUE(options.Plot().controls.smoothing);
  EXPECT_EQ(options.Plot().controls.smoothingLevel, 8);
  EXPECT_EQ(options.Plot().controls.maxVolts, 3);
  EXPECT_EQ(options.Plot().colours.line, MakeColour(200, 255, 0));
  EXPECT_EQ(options.Device().delayMicros, 100);
  EXPECT_EQ(options.Device().averaging, 8);
  EXPECT_EQ(options.Device().portBase, 0x3BC);
  EXPECT_EQ(options.Window().left, -30);
  EXPECT_EQ(options.Window().state, 1);
  EXPECT_FALSE(options.Window().showAboutAtStart);

  ASSERT_TRUE(WriteSettings(options.Table(), configDir));
  EXPECT_EQ(ReadAll(dir.filePath(ConfigFileName)), bytes);
}

TEST(TypedOptions, LoadValidatesAsAtStartUp) {
  QTemporaryDir dir;
  const std::string configDir = dir.path().toStdString() + "/";
  Settings file;
  SetDefaultSettings(file, AllGroups);
  file[SmoothingLevel] = "31";
  file[BackRed] = "300";
  file[PortDelayMicros] = "0";
  file[PortHex] = "FFFE";
  ASSERT_TRUE(WriteSettings(file, configDir));

  TypedOptions options;
  options.Load(configDir, Screen);
  EXPECT_EQ(options.Table()[SmoothingLevel], "5");
  EXPECT_EQ(options.Plot().controls.smoothingLevel, 5);
  EXPECT_EQ(RedOf(options.Plot().colours.background), 128);
  EXPECT_EQ(options.Device().delayMicros, 1);
  EXPECT_EQ(options.Device().portBase, 0x378);
}

TEST(TypedOptions, StartsWithTheDefaults) {
  const TypedOptions options;
  Settings defaults;
  SetDefaultSettings(defaults, AllGroups);
  EXPECT_EQ(options.Table().slot, defaults.slot);
  EXPECT_EQ(options.Table().lastIndex, 27);
  EXPECT_EQ(options.Plot().colours.line, MakeColour(0, 255, 0));  // the numbers follow the texts from the start
  EXPECT_EQ(options.Device().delayMicros, 100);
  EXPECT_EQ(options.Window().width, 8175);
}

}  // namespace kvt
