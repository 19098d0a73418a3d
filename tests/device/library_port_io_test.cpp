#include "device/library_port_io.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <fstream>
#include <sstream>

namespace kvt {

namespace {

struct FatalLog {
  std::vector<std::string> messages;
  LibraryPortIo::FatalHandler Handler() {
    return [this](const std::string& m) { messages.push_back(m); };
  }
};

// True when the kernel knows a parallel port (then the refusal below may not hold).
bool MachineHasParallelPort() {
  std::ifstream ioports("/proc/ioports");
  std::stringstream text;
  text << ioports.rdbuf();
  return QFileInfo::exists("/proc/sys/dev/parport/parport0") ||
         text.str().find("parport") != std::string::npos;
}

TEST(LibraryPortIo, RealLibraryWithoutPortAccessEndsWithAClearMessage) {
  for (const int port : {0x0000, 0x378, 0x1037A}) {
    if (port != 0 && MachineHasParallelPort()) continue;
    SCOPED_TRACE(port);
    FatalLog log;
    LibraryPortIo io(log.Handler(), QStringLiteral(KVT_PORTIO_LIBRARY), {});
    EXPECT_EQ(io.InPort(port), 0);
    ASSERT_EQ(log.messages.size(), 1u);
    const std::string& m = log.messages[0];
    char address[16];
    std::snprintf(address, sizeof address, "0x%X", port & 0xFFFF);
    EXPECT_NE(m.find(std::string("port ") + address + " cannot be used"), std::string::npos) << m;
    EXPECT_NE(m.find("no parallel port at this address"), std::string::npos) << m;
    EXPECT_NE(m.find("\"lp\""), std::string::npos) << m;
    EXPECT_NE(m.find("CAP_SYS_RAWIO"), std::string::npos) << m;

    // After the failure the binding stays silent and does not report again.
    EXPECT_EQ(io.OutPort(port, 0x55), 0);
    EXPECT_EQ(io.InPort(port + 1), 0);
    EXPECT_EQ(log.messages.size(), 1u);
  }
}

TEST(LibraryPortIo, MissingLibraryIsNamed) {
  FatalLog log;
  LibraryPortIo io(log.Handler(), QStringLiteral("kvt_no_such_port_library"),
                   {QStringLiteral(KVT_TEST_LIBRARY_DIR)});
  EXPECT_EQ(io.OutPort(0x378, 1), 0);
  EXPECT_EQ(io.InPort(0x378), 0);
  ASSERT_EQ(log.messages.size(), 1u);
  EXPECT_NE(log.messages[0].find("\"kvt_no_such_port_library\""), std::string::npos)
      << log.messages[0];
}

TEST(LibraryPortIo, MissingFunctionIsNamed) {
  FatalLog log;
  LibraryPortIo io(log.Handler(), QStringLiteral("test_port_out_only"),
                   {QStringLiteral(KVT_TEST_LIBRARY_DIR)});
  EXPECT_EQ(io.OutPort(0x378, 1), 0);
  ASSERT_EQ(log.messages.size(), 1u);
  EXPECT_NE(log.messages[0].find("function InPort"), std::string::npos) << log.messages[0];
  EXPECT_NE(log.messages[0].find("test_port_out_only"), std::string::npos) << log.messages[0];
  EXPECT_EQ(io.InPort(0x378), 0);
  EXPECT_EQ(log.messages.size(), 1u);
}

TEST(LibraryPortIo, TwoExportLibraryIsFoundInAFallbackFolderAndUsed) {
  // Not on the ordinary search path: found in the fallback folder. Without
  // PortAccessError every port counts as usable.
  FatalLog log;
  LibraryPortIo io(log.Handler(), QStringLiteral("test_port_two_exports"),
                   {QStringLiteral("/nonexistent"), QStringLiteral(KVT_TEST_LIBRARY_DIR)});
  EXPECT_EQ(io.OutPort(0x378, 0x1A5), 0xA5);
  EXPECT_EQ(io.InPort(0x378), (0x78 ^ 0x1A5 ^ 0x378) & 0xFF);
  EXPECT_EQ(io.InPort(0x12345), (0x78 ^ 0x1A5 ^ 0x12345) & 0xFF);
  EXPECT_TRUE(log.messages.empty());
}

}  // namespace

}  // namespace kvt
