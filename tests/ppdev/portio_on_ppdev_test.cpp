// The real port library end to end: its calls go to the stand-in for the
// kernel's parallel port device, which drives the simulated instrument's
// register model. The same sweep through the simulated library must give
// the same points file, and every refusal must tell the user what to do.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <atomic>
#include <memory>
#include <string>

#include "core/typed_options.h"
#include "device/acquisition.h"
#include "device/device_routines.h"
#include "device/library_port_io.h"
#include "device/range_monitor.h"
#include "files/curve_files.h"
#include "tests/support/fake_instrument.h"
#include "tests/support/simulated_instrument.h"
#include "tests/ppdev/ppdev_standin.h"

namespace kvt {
namespace {

constexpr int Base = 0x378;

// A private copy of the real port library: a library of its own, with no
// grant left over from an earlier test. Unloaded at the end, which runs its
// clean-up as a program's end would.
class RealPortio : public PortIo {
 public:
  RealPortio() {
    static std::atomic<int> copies{0};
    path_ = dir_.filePath(QStringLiteral("libportio_real%1.so").arg(copies++)).toStdString();
    if (!QFile::copy(QStringLiteral(KVT_PORTIO_LIBRARY), QString::fromStdString(path_))) return;
    handle_ = dlopen(path_.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_) return;
    out_ = reinterpret_cast<int (*)(int, int)>(dlsym(handle_, "OutPort"));
    in_ = reinterpret_cast<int (*)(int)>(dlsym(handle_, "InPort"));
    error_ = reinterpret_cast<int (*)(int, char*, int)>(dlsym(handle_, "PortAccessError"));
  }
  ~RealPortio() override { Unload(); }
  void Unload() {
    if (handle_) dlclose(handle_);
    handle_ = nullptr;
  }

  bool Loaded() const { return out_ && in_ && error_; }
  const std::string& Path() const { return path_; }
  int OutPort(int port, int value) override { return out_(port, value); }
  int InPort(int port) override { return in_(port); }
  // The message for a refused port; empty when the port can be used.
  std::string RefusalText(int port) {
    char message[1024];
    return error_(port, message, sizeof message) ? std::string(message) : std::string();
  }

 private:
  QTemporaryDir dir_;
  std::string path_;
  void* handle_ = nullptr;
  int (*out_)(int, int) = nullptr;
  int (*in_)(int) = nullptr;
  int (*error_)(int, char*, int) = nullptr;
};

// The program's device routines on a port, with pauses that hold no reads
// (the calibration clock makes every burst a quarter second).
struct Rig {
  explicit Rig(PortIo& port) : device(port, clock, options.Device()) {
    device.SetupPorts();
    device.CalibrateDelay();
  }
  TypedOptions options;
  BurstClock clock{{0.25}};
  Device device;
};

// One acquisition run as the acquisition window makes it, written as a
// points file.
std::string SweepPointsFile(PortIo& port, int pointCount) {
  Rig rig(port);
  Curve points;
  AcquisitionCalls calls{[&rig](double volts) { return rig.device.MeasurePoint(volts); },
                         [&rig](int state) { rig.device.SetBlinkLine(state); },
                         [&rig] { return RangeOhms(RangeIndexOfCode(SwitchCode(rig.device.ReadStatus()))); }};
  Acquisition run(points, pointCount, calls);
  run.Start();
  for (int tick = 0; tick < 2 * pointCount + 10; ++tick)
    if (run.Tick().finished) break;
  return CurveFileText(points, CurveFormat::PointsFile, {}).text;
}

TEST(PortioOnPpdev, SweepGivesTheSimulatedLibrarysPointsFile) {
  struct Case {
    const char* name;
    const char* control;
  };
  const Case cases[] = {
      {"silicon diode", "component = diode\nrange = 1k\nseed = 7\n"},
      {"1k resistor", "component = resistor 1k\nrange = 1k\nseed = 8\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SimulatedInstrument simulated(c.control);
    ASSERT_TRUE(simulated.Ready()) << (simulated.Failures().empty() ? "" : simulated.Failures()[0]);
    const std::string expected = SweepPointsFile(simulated.Port(), 64);

    ASSERT_EQ(PpdevStandInReset("none", c.control), 0);
    std::vector<std::string> failures;
    RealPortio copy;  // only for a private file name; the binding loads it
    LibraryPortIo real([&failures](const std::string& m) { failures.push_back(m); },
                       QString::fromStdString(copy.Path()), {});
    const std::string got = SweepPointsFile(real, 64);
    ASSERT_TRUE(failures.empty()) << failures[0];

    // A run that measured nothing would match too: the file must hold a
    // curve, 64 points with a current that changes sign.
    EXPECT_EQ(got.rfind("KVT\r\n 64 \r\n", 0), 0u) << got.substr(0, 40);
    EXPECT_NE(got.find("E-003"), std::string::npos);
    EXPECT_NE(got.find("-"), std::string::npos);
    EXPECT_EQ(got, expected);
    EXPECT_EQ(PpdevStandInRead().blockedClaims, 0);
  }
}

TEST(PortioOnPpdev, BlinkLineAndRangeSwitchGoThroughTheDevice) {
  ASSERT_EQ(PpdevStandInReset("none", "component = open\nrange = 1k\n"), 0);
  RealPortio portio;
  ASSERT_TRUE(portio.Loaded());
  Rig rig(portio);

  rig.device.SetBlinkLine(0);
  EXPECT_TRUE(PpdevStandInRead().blinkLine);
  rig.device.SetBlinkLine(1);
  EXPECT_FALSE(PpdevStandInRead().blinkLine);
  rig.device.SetBlinkLine(0);
  EXPECT_EQ(PpdevStandInRead().blinkToggles, 3);
  // The other control lines keep what the port was claimed with.
  EXPECT_EQ(PpdevStandInRead().control, 0x0C | Device::BlinkLine);

  const struct {
    const char* range;
    double ohms;
  } positions[] = {{"1k", 1000}, {"100", 100}, {"10k", 10000}, {"1k", 1000}};
  for (const auto& p : positions) {
    SCOPED_TRACE(p.range);
    PpdevStandInConfigure((std::string("component = open\nrange = ") + p.range + "\n").c_str());
    EXPECT_EQ(RangeOhms(RangeIndexOfCode(SwitchCode(rig.device.ReadStatus()))), p.ohms);
  }
}

TEST(PortioOnPpdev, ControlWriteSetsTheDataDirectionBothWays) {
  // A raw register write with bit 5 clear drives the data lines again; the
  // device's control write would leave them turned around for good.
  ASSERT_EQ(PpdevStandInReset("none", "component = open\nnoise = 0\nstray = 0\n"), 0);
  RealPortio portio;
  ASSERT_TRUE(portio.Loaded());
  Rig rig(portio);
  portio.OutPort(Base + 2, 0x22);
  EXPECT_TRUE(PpdevStandInRead().reversed);
  EXPECT_EQ(portio.InPort(Base + 2), 0x22);
  EXPECT_EQ(portio.InPort(Base), 0xFF);  // nothing drives the lines

  portio.OutPort(Base + 2, 0x02);
  EXPECT_FALSE(PpdevStandInRead().reversed);
  EXPECT_EQ(portio.InPort(Base + 2), 0x02);
  rig.device.WriteDac(700);
  EXPECT_EQ(PpdevStandInRead().appliedCode, 700);
  EXPECT_NEAR(rig.device.ReadAdc(), 700, 1);
}

TEST(PortioOnPpdev, UnloadingReleasesThePortForOthers) {
  ASSERT_EQ(PpdevStandInReset("none", ""), 0);
  RealPortio first;
  ASSERT_TRUE(first.Loaded());
  EXPECT_EQ(first.RefusalText(Base), "");
  EXPECT_TRUE(PpdevStandInRead().claimed);
  first.Unload();
  EXPECT_FALSE(PpdevStandInRead().claimed);
  EXPECT_EQ(PpdevStandInRead().openFiles, 0);

  RealPortio second;
  ASSERT_TRUE(second.Loaded());
  EXPECT_EQ(second.RefusalText(Base + 1), "");
  EXPECT_EQ(PpdevStandInRead().blockedClaims, 0);
}

TEST(PortioOnPpdev, RefusalsSayWhyWhereTheAddressIsAndWhatGivesAccess) {
  struct Case {
    const char* failure;
    std::vector<std::string> reason;  // each must appear
  };
  const Case cases[] = {
      {"no-device", {"/dev/parport0 cannot be opened (No such file or directory)", "modprobe ppdev"}},
      {"no-driver", {"/dev/parport0 cannot be opened (No such device or address)", "modprobe ppdev"}},
      {"denied", {"/dev/parport0 cannot be opened (Permission denied)", "usermod -aG lp"}},
      {"busy", {"/dev/parport0 is in use by \"ppdev0\"", "Close the other program"}},
      {"no-parport", {"the kernel knows no parallel port at this address", "modprobe parport_pc"}},
      {"elsewhere", {"it lists parallel ports at 0x278", "Check the port address"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.failure);
    ASSERT_EQ(PpdevStandInReset(c.failure, "component = open\n"), 0);
    RealPortio portio;
    ASSERT_TRUE(portio.Loaded());
    const std::string message = portio.RefusalText(Base + 1);
    EXPECT_EQ(message.rfind("The I/O port 0x379 cannot be used: ", 0), 0u) << message;
    for (const std::string& part : c.reason) EXPECT_NE(message.find(part), std::string::npos) << part << "\n" << message;
    for (const char* part : {"\"Port of device\"", "\"KVT Options\"", "PortHex", "line 26 of kvt_win.cfg",
                             "/dev/parportN", "\"lp\"", "root", "CAP_SYS_RAWIO"})
      EXPECT_NE(message.find(part), std::string::npos) << part << "\n" << message;
    EXPECT_LT(message.size(), 900u);  // the program's buffer holds 1024

    // A refused port is never written and reads as nothing there.
    const PpdevStandInState before = PpdevStandInRead();
    EXPECT_EQ(portio.OutPort(Base, 0x1F), 0x1F);
    EXPECT_EQ(portio.InPort(Base + 1), 0xFF);
    EXPECT_EQ(PpdevStandInRead().appliedCode, before.appliedCode);
    EXPECT_FALSE(PpdevStandInRead().claimed);
    EXPECT_EQ(PpdevStandInRead().blockedClaims, 0);
  }
}

}  // namespace
}  // namespace kvt
