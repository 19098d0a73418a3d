// The stand-in answers as the kernel's ppdev on a parport_pc port does, so
// the port library's tests against it mean something.
#include <errno.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "tests/ppdev/ppdev_standin.h"

namespace kvt {
namespace {

// One ioctl and what the driver answers: 0 or the errno of a -1.
struct Step {
  unsigned long request;
  int argument;
  int expectError;  // 0 for success
};

struct DriverCase {
  const char* name;
  std::vector<Step> steps;
  int expectControl;  // what PPRCONTROL reads afterwards; -1 to skip
  int expectReversed;
};

TEST(PpdevStandIn, IoctlsAnswerAsTheDriverDoes) {
  const DriverCase cases[] = {
      {"registers need a claimed port",
       {{PPRDATA, 0, EINVAL}, {PPRSTATUS, 0, EINVAL}, {PPWDATA, 1, EINVAL},
        {PPWCONTROL, 2, EINVAL}, {PPRELEASE, 0, EINVAL}, {PPCLAIM, 0, 0}},
       0x0C, 0},
      {"a second claim on the same file is refused", {{PPCLAIM, 0, 0}, {PPCLAIM, 0, EINVAL}}, 0x0C, 0},
      {"a control write changes the four output lines only",
       {{PPCLAIM, 0, 0}, {PPWCONTROL, 0xD3, 0}}, 0x03, 0},
      {"bit 5 of a control write turns the data lines around, never back",
       {{PPCLAIM, 0, 0}, {PPWCONTROL, 0x22, 0}, {PPWCONTROL, 0x02, 0}}, 0x02, 1},
      {"PPDATADIR turns them back",
       {{PPCLAIM, 0, 0}, {PPWCONTROL, 0x22, 0}, {PPDATADIR, 0, 0}}, 0x02, 0},
      {"exclusive access is asked for before the first claim",
       {{PPCLAIM, 0, 0}, {PPEXCL, 0, EINVAL}}, 0x0C, 0},
      {"unknown requests", {{PPCLAIM, 0, 0}, {PPNEGOT, 0, EINVAL}}, 0x0C, 0},
  };
  for (const DriverCase& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(PpdevStandInReset("none", "component = open\nnoise = 0\n"), 0);
    const int fd = open("/dev/parport0", O_RDWR);
    ASSERT_GE(fd, 0) << strerror(errno);
    for (const Step& step : c.steps) {
      int argument = step.argument;
      unsigned char byte = static_cast<unsigned char>(step.argument);
      const bool wide = step.request == PPDATADIR || step.request == PPNEGOT;
      errno = 0;
      const int result = ioctl(fd, step.request, wide ? static_cast<void*>(&argument) : &byte);
      EXPECT_EQ(result == 0 ? 0 : errno, step.expectError) << std::hex << step.request;
    }
    if (c.expectControl >= 0) {
      unsigned char control = 0;
      ASSERT_EQ(ioctl(fd, PPRCONTROL, &control), 0);
      EXPECT_EQ(control, c.expectControl);
    }
    EXPECT_EQ(PpdevStandInRead().reversed, c.expectReversed);
    close(fd);
  }
}

TEST(PpdevStandIn, DataAndStatusAreTheInstrumentsRegisters) {
  ASSERT_EQ(PpdevStandInReset("none", "component = open\nrange = 100\nnoise = 0\n"), 0);
  const int fd = open("/dev/parport0", O_RDWR);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(ioctl(fd, PPCLAIM), 0);
  unsigned char byte = 0x5A;
  ASSERT_EQ(ioctl(fd, PPWDATA, &byte), 0);
  byte = 0;
  ASSERT_EQ(ioctl(fd, PPRDATA, &byte), 0);
  EXPECT_EQ(byte, 0x5A);
  ASSERT_EQ(ioctl(fd, PPRSTATUS, &byte), 0);
  EXPECT_EQ(byte & 0xC0, 0x80);  // the 100 ohm position

  // Reversed, the lines float and the latch no longer reaches the instrument.
  int reverse = 1;
  ASSERT_EQ(ioctl(fd, PPDATADIR, &reverse), 0);
  ASSERT_EQ(ioctl(fd, PPRDATA, &byte), 0);
  EXPECT_EQ(byte, 0xFF);
  close(fd);
}

TEST(PpdevStandIn, ClosingReleasesTheClaimAndBusyPortsWouldBlock) {
  ASSERT_EQ(PpdevStandInReset("none", ""), 0);
  int first = open("/dev/parport0", O_RDWR);
  ASSERT_EQ(ioctl(first, PPCLAIM), 0);
  EXPECT_TRUE(PpdevStandInRead().claimed);
  const int second = open("/dev/parport0", O_RDWR);
  errno = 0;
  EXPECT_EQ(ioctl(second, PPCLAIM), -1);  // a real kernel would still be waiting
  EXPECT_EQ(errno, EINTR);
  EXPECT_EQ(PpdevStandInRead().blockedClaims, 1);
  close(first);
  EXPECT_FALSE(PpdevStandInRead().claimed);
  EXPECT_EQ(ioctl(second, PPCLAIM), 0);
  close(second);
  EXPECT_EQ(PpdevStandInRead().openFiles, 0);

  // An exclusive claim on a port that another device has joined.
  ASSERT_EQ(PpdevStandInReset("busy", ""), 0);
  first = open("/dev/parport0", O_RDWR);
  ASSERT_EQ(ioctl(first, PPEXCL), 0);
  errno = 0;
  EXPECT_EQ(ioctl(first, PPCLAIM), -1);
  EXPECT_EQ(errno, ENXIO);
  close(first);
}

TEST(PpdevStandIn, OpenFailsAsTheKernelWould) {
  struct Case {
    const char* failure;
    const char* path;
    int expectError;
  };
  const Case cases[] = {
      {"none", "/dev/parport1", ENOENT},    {"no-device", "/dev/parport0", ENOENT},
      {"no-driver", "/dev/parport0", ENXIO}, {"denied", "/dev/parport0", EACCES},
      {"no-parport", "/dev/parport0", ENOENT},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.failure) + " " + c.path);
    ASSERT_EQ(PpdevStandInReset(c.failure, ""), 0);
    errno = 0;
    EXPECT_EQ(open(c.path, O_RDWR), -1);
    EXPECT_EQ(errno, c.expectError);
  }
  EXPECT_EQ(PpdevStandInReset("on fire", ""), -1);
}

}  // namespace
}  // namespace kvt
