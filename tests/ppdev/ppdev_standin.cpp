// The parallel port device model behind the interposed calls. Each
// behaviour follows the kernel source named beside it (drivers/char/ppdev.c,
// drivers/parport/share.c, include/linux/parport_pc.h, fs/char_dev.c).
#include "tests/ppdev/ppdev_standin.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <linux/parport.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "simulator/config_watcher.h"
#include "simulator/instrument.h"

namespace kvt {
namespace {

namespace fs = std::filesystem;

enum class Failure { None, NoDevice, NoDriver, Denied, Busy, NoParport, Elsewhere };

std::optional<Failure> FailureNamed(std::string_view name) {
  if (name.empty() || name == "none") return Failure::None;
  if (name == "no-device") return Failure::NoDevice;
  if (name == "no-driver") return Failure::NoDriver;
  if (name == "denied") return Failure::Denied;
  if (name == "busy") return Failure::Busy;
  if (name == "no-parport") return Failure::NoParport;
  if (name == "elsewhere") return Failure::Elsewhere;
  return std::nullopt;
}

// One open file of /dev/parport0: ppdev's struct pp_struct.
struct OpenFile {
  bool registered = false;  // pp->pdev, made at the first PPCLAIM
  bool claimed = false;     // PP_CLAIMED
  bool exclusive = false;   // PP_EXCL
  int mode = IEEE1284_MODE_COMPAT;  // pp_open starts every file in compatibility mode
  // The device's saved control register: parport_pc_init_state gives 0x0C
  // (no 0x10: the port has no interrupt line here).
  unsigned char savedControl = 0x0C;
};

// Control bits the chip lets through: parport_pc_probe_port starts from
// ~0x10 without an interrupt line, and a PS/2-capable port keeps bit 5.
constexpr unsigned char kWritableControl = 0xEF;
// parport_pc_write_control and parport_pc_read_control work on these only.
constexpr unsigned char kControlLines = PARPORT_CONTROL_STROBE | PARPORT_CONTROL_AUTOFD |
                                        PARPORT_CONTROL_INIT | PARPORT_CONTROL_SELECT;
constexpr unsigned char kDirection = 0x20;

class Machine {
 public:
  Machine() {
    const char* failure = std::getenv("KVT_PPDEV_FAILURE");
    failure_ = FailureNamed(failure ? failure : "").value_or(Failure::None);
    watcher_.emplace(kvtsim::ConfigPathFromEnvironment());
    Build(watcher_->Load());
    for (const auto& problem : watcher_->Problems())
      std::fprintf(stderr, "ppdev stand-in: %s %s\n", watcher_->Path().c_str(), problem.c_str());
  }

  std::mutex lock;

  bool Reset(std::string_view failure, std::string_view instrument) {
    const auto named = FailureNamed(failure);
    if (!named) return false;
    failure_ = *named;
    watcher_.reset();
    files_.clear();
    owned_.clear();
    Build(kvtsim::ParseConfig(instrument));
    return true;
  }

  void Configure(std::string_view text) {
    kvtsim::SimConfig config = kvtsim::ParseConfig(text);
    config.base = instrument_->Config().base;
    instrument_->Configure(config);
  }

  PpdevStandInState State() const {
    PpdevStandInState s{};
    s.openFiles = static_cast<int>(files_.size());
    for (const auto& [fd, file] : files_) s.claimed |= file.claimed;
    s.reversed = (control_ & kDirection) != 0;
    s.control = control_;
    s.blinkLine = instrument_->BlinkLine();
    s.blinkToggles = instrument_->BlinkToggles();
    s.appliedCode = instrument_->AppliedCode();
    s.conversions = instrument_->Conversions();
    s.blockedClaims = blockedClaims_;
    return s;
  }

  int PathKind(const char* path, char* redirected, unsigned long size) const {
    const std::string_view p = path;
    const std::string_view sysctl = "/proc/sys/dev/parport";
    std::string target;
    if (p == "/proc/ioports") target = root_ + "/ioports";
    else if (p.substr(0, sysctl.size()) == sysctl &&
             (p.size() == sysctl.size() || p[sysctl.size()] == '/'))
      target = root_ + "/sysctl" + std::string(p.substr(sysctl.size()));
    else if (p.substr(0, 12) == "/dev/parport") return PpdevDeviceNode;
    else return PpdevNotOurs;
    if (target.size() + 1 > size) return PpdevNotOurs;
    std::memcpy(redirected, target.c_str(), target.size() + 1);
    return PpdevRedirect;
  }

  bool Owns(int fd) const { return owned_.count(fd) != 0; }

  // chrdev_open (fs/char_dev.c) and pp_open (drivers/char/ppdev.c).
  int Open(const char* path, int flags) {
    const std::string_view p = path;
    const bool listed = failure_ != Failure::NoParport;
    // Only parport0 exists; udev makes no node for a port that is not there
    // and none at all without the ppdev driver.
    if (p != "/dev/parport0" || !listed || failure_ == Failure::NoDevice) return Fail(ENOENT);
    // The node is crw-rw---- root:lp.
    if (failure_ == Failure::Denied) return Fail(EACCES);
    // A node whose major number no driver has registered: chrdev_open
    // finds no cdev and returns -ENXIO.
    if (failure_ == Failure::NoDriver) return Fail(ENXIO);
    using OpenFn = int (*)(const char*, int, ...);
    static auto next = reinterpret_cast<OpenFn>(dlsym(RTLD_NEXT, "open"));
    const int fd = next("/dev/null", O_RDWR | (flags & O_CLOEXEC));
    if (fd < 0) return -1;
    files_[fd] = OpenFile{};
    owned_[fd] = true;
    return fd;
  }

  // pp_release: a claimed port is released, the device unregistered.
  void Closing(int fd) {
    auto it = files_.find(fd);
    if (it != files_.end()) {
      if (it->second.claimed) Release(it->second);
      files_.erase(it);
    }
    owned_.erase(fd);
  }

  // pp_do_ioctl (drivers/char/ppdev.c).
  int Ioctl(int fd, unsigned long request, void* argument) {
    auto it = files_.find(fd);
    if (it == files_.end()) return Fail(EBADF);
    OpenFile& file = it->second;
    auto* byte = static_cast<unsigned char*>(argument);
    switch (request) {
      case PPCLAIM: return Claim(file);
      case PPEXCL:
        // Too late once registered, unless it was asked for before.
        if (file.registered) return file.exclusive ? 0 : Fail(EINVAL);
        file.exclusive = true;
        return 0;
      case PPSETMODE:
        file.mode = *static_cast<int*>(argument);
        return 0;
      case PPGETMODE:
        *static_cast<int*>(argument) = file.mode;
        return 0;
      default: break;
    }
    // "Everything else requires the port to be claimed": -EINVAL.
    if (!file.claimed) return Fail(EINVAL);
    switch (request) {
      case PPRSTATUS:  // parport_pc_read_status: the register itself
        WatchControlFile();
        *byte = static_cast<unsigned char>(instrument_->In(base_ + 1));
        return 0;
      case PPRDATA:  // parport_pc_read_data: the lines; floating when reversed
        *byte = (control_ & kDirection) ? 0xFF : static_cast<unsigned char>(instrument_->In(base_));
        return 0;
      case PPRCONTROL:  // parport_pc_read_control: the soft copy, four lines only
        *byte = control_ & kControlLines;
        return 0;
      case PPRELEASE:
        Release(file);
        return 0;
      case PPWDATA:  // parport_pc_write_data: the latch drives the lines when forward
        data_ = *byte;
        if (!(control_ & kDirection)) instrument_->Out(base_, data_);
        return 0;
      case PPWCONTROL: {
        // parport_pc_write_control: bit 5 turns the data lines around (and
        // only that way); of the rest only the four output lines change.
        const unsigned char value = *byte;
        if (value & kDirection) FrobControl(kDirection, kDirection);
        FrobControl(kControlLines, value & kControlLines);
        return 0;
      }
      case PPFCONTROL: {
        // parport_pc_frob_control: bit 5 of the mask sets the direction
        // either way, then the four lines under the mask.
        const unsigned char mask = byte[0];
        const unsigned char value = byte[1];
        if (mask & kDirection) FrobControl(kDirection, value & kDirection);
        FrobControl(mask & kControlLines, value & mask & kControlLines);
        return 0;
      }
      case PPDATADIR:  // data_reverse / data_forward
        FrobControl(kDirection, *static_cast<int*>(argument) ? kDirection : 0);
        return 0;
      default:
        return Fail(EINVAL);
    }
  }

 private:
  static int Fail(int error) {
    errno = error;
    return -1;
  }

  void Build(const kvtsim::SimConfig& given) {
    kvtsim::SimConfig config = given;
    base_ = failure_ == Failure::Elsewhere ? 0x278 : config.base;
    config.base = base_;  // the instrument hangs on the port's connector
    instrument_ = std::make_unique<kvtsim::Instrument>(config);
    control_ = 0x0C;
    data_ = 0;
    otherHolds_ = failure_ == Failure::Busy;
    blockedClaims_ = 0;
    start_ = std::chrono::steady_clock::now();
    WriteTree();
  }

  // /proc/sys/dev/parport (drivers/parport/procfs.c) and /proc/ioports as
  // an unprivileged user sees them: every range shown as 0000-0000.
  void WriteTree() {
    if (root_.empty()) {
      char pattern[] = "/tmp/kvt_ppdev_XXXXXX";
      if (const char* made = mkdtemp(pattern)) root_ = made;
      static std::string* made = new std::string(root_);
      std::atexit([] {
        std::error_code ignored;
        fs::remove_all(*made, ignored);
      });
    }
    std::error_code error;
    fs::remove_all(fs::path(root_) / "sysctl", error);
    const bool listed = failure_ != Failure::NoParport;
    std::ofstream(root_ + "/ioports") << "0000-0000 : PCI Bus 0000:00\n  0000-0000 : dma1\n"
                                      << (listed ? "  0000-0000 : parport0\n" : "")
                                      << "  0000-0000 : keyboard\n";
    if (!listed) return;
    const fs::path port = fs::path(root_) / "sysctl" / "parport0";
    fs::create_directories(port / "devices", error);
    fs::create_directories(fs::path(root_) / "sysctl" / "default", error);
    std::ofstream((fs::path(root_) / "sysctl" / "default" / "timeslice").string()) << "200\n";
    // do_hardware_base_addr: "%lu\t%lu\n", base and base_hi.
    std::ofstream((port / "base-addr").string()) << base_ << "\t" << base_ + 0x400 << "\n";
    std::ofstream((port / "irq").string()) << "-1\n";
    WriteActive();
  }

  // do_active_device: the name of the device that holds the port, or "none".
  void WriteActive() {
    if (failure_ == Failure::NoParport) return;
    bool ours = false;
    for (const auto& [fd, file] : files_) ours |= file.claimed;
    const char* name = otherHolds_ ? "ppdev0" : ours ? "ppdev0" : "none";
    std::ofstream(root_ + "/sysctl/parport0/devices/active", std::ios::trunc) << name << "\n";
  }

  int Claim(OpenFile& file) {
    if (file.claimed) return Fail(EINVAL);  // "you've already got it!"
    if (!file.registered) {
      // register_device -> parport_register_dev_model: an exclusive device
      // cannot join a port that has devices, nor anyone a port that an
      // exclusive device holds; both end in -ENXIO.
      bool others = otherHolds_;
      for (const auto& [fd, f] : files_) others |= (&f != &file && f.registered);
      if (file.exclusive && others) return Fail(ENXIO);
      for (const auto& [fd, f] : files_)
        if (&f != &file && f.registered && f.exclusive) return Fail(ENXIO);
      file.registered = true;
    }
    // parport_claim_or_block sleeps until the holder lets go; nothing here
    // ever will, so the wait ends at once as if a signal had come (-EINTR)
    // and is counted: the library must not get this far.
    bool held = otherHolds_;
    for (const auto& [fd, f] : files_) held |= f.claimed;
    if (held) {
      ++blockedClaims_;
      std::fprintf(stderr, "ppdev stand-in: PPCLAIM on a held port; a real kernel would wait\n");
      return Fail(EINTR);
    }
    // parport_claim -> parport_pc_restore_state: the device's saved control
    // register goes out to the port.
    file.claimed = true;
    control_ = file.savedControl & kWritableControl;
    instrument_->Out(base_ + 2, control_);
    if (!(control_ & kDirection)) instrument_->Out(base_, data_);
    WriteActive();
    return 0;
  }

  // parport_release -> parport_pc_save_state.
  void Release(OpenFile& file) {
    file.savedControl = control_;
    file.claimed = false;
    WriteActive();
  }

  // __parport_pc_frob_control: the soft copy and the register move together.
  void FrobControl(unsigned char mask, unsigned char value) {
    const bool wasReversed = control_ & kDirection;
    control_ = static_cast<unsigned char>(((control_ & ~mask) ^ value) & kWritableControl);
    instrument_->Out(base_ + 2, control_);
    if (wasReversed && !(control_ & kDirection)) instrument_->Out(base_, data_);
  }

  // The instrument's control file, when set up from the environment, is
  // looked at on status reads as the simulated library does.
  void WatchControlFile() {
    if (!watcher_) return;
    const double now = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    if (auto config = watcher_->Poll(now)) {
      config->base = base_;
      instrument_->Configure(*config);
    }
  }

  Failure failure_ = Failure::None;
  std::string root_;
  int base_ = 0x378;
  std::unique_ptr<kvtsim::Instrument> instrument_;
  std::optional<kvtsim::ConfigWatcher> watcher_;
  std::chrono::steady_clock::time_point start_;
  std::map<int, OpenFile> files_;
  std::map<int, bool> owned_;
  unsigned char control_ = 0x0C;
  unsigned char data_ = 0;
  bool otherHolds_ = false;
  int blockedClaims_ = 0;
};

// Never destroyed: close() keeps coming through here after static
// destructors have run.
Machine& TheMachine() {
  static Machine* machine = new Machine;
  return *machine;
}

// Cheap test for close() and ioctl() on every file of the process.
std::atomic<int> ownedCount{0};

}  // namespace
}  // namespace kvt

using kvt::TheMachine;

extern "C" {

__attribute__((visibility("default"))) int PpdevStandInReset(const char* failure, const char* instrument) {
  auto& m = TheMachine();
  std::lock_guard guard(m.lock);
  const bool ok = m.Reset(failure ? failure : "", instrument ? instrument : "");
  kvt::ownedCount = 0;
  return ok ? 0 : -1;
}

__attribute__((visibility("default"))) void PpdevStandInConfigure(const char* instrument) {
  auto& m = TheMachine();
  std::lock_guard guard(m.lock);
  m.Configure(instrument ? instrument : "");
}

__attribute__((visibility("default"))) PpdevStandInState PpdevStandInRead(void) {
  auto& m = TheMachine();
  std::lock_guard guard(m.lock);
  return m.State();
}

__attribute__((visibility("default"))) int PpdevStandInPath(const char* path, char* redirected, unsigned long size) {
  auto& m = TheMachine();
  std::lock_guard guard(m.lock);
  return m.PathKind(path, redirected, size);
}

__attribute__((visibility("default"))) int PpdevStandInOpen(const char* path, int flags) {
  auto& m = TheMachine();
  std::lock_guard guard(m.lock);
  const int fd = m.Open(path, flags);
  if (fd >= 0) ++kvt::ownedCount;
  return fd;
}

__attribute__((visibility("default"))) int PpdevStandInOwns(int fd) {
  if (kvt::ownedCount.load() == 0) return 0;
  auto& m = TheMachine();
  std::lock_guard guard(m.lock);
  return m.Owns(fd);
}

__attribute__((visibility("default"))) int PpdevStandInIoctl(int fd, unsigned long request, void* argument) {
  auto& m = TheMachine();
  std::lock_guard guard(m.lock);
  return m.Ioctl(fd, request, argument);
}

__attribute__((visibility("default"))) void PpdevStandInClosing(int fd) {
  auto& m = TheMachine();
  std::lock_guard guard(m.lock);
  m.Closing(fd);
  if (kvt::ownedCount > 0) --kvt::ownedCount;
}

}  // extern "C"
