#include "device/library_port_io.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <fstream>
#include <sstream>

namespace kvt {

namespace {

struct FailureLog {
  std::vector<std::string> messages;
  LibraryPortIo::FailureHandler Handler() {
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

TEST(LibraryPortIo, RealLibraryWithoutPortAccessIsReportedOnceWithAClearMessage) {
  for (const int port : {0x0000, 0x378, 0x1037A}) {
    if (port != 0 && MachineHasParallelPort()) continue;
    SCOPED_TRACE(port);
    FailureLog log;
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
  FailureLog log;
  LibraryPortIo io(log.Handler(), QStringLiteral("kvt_no_such_port_library"),
                   {QStringLiteral(KVT_TEST_LIBRARY_DIR)});
  EXPECT_EQ(io.OutPort(0x378, 1), 0);
  EXPECT_EQ(io.InPort(0x378), 0);
  ASSERT_EQ(log.messages.size(), 1u);
  EXPECT_NE(log.messages[0].find("\"kvt_no_such_port_library\""), std::string::npos)
      << log.messages[0];
}

TEST(LibraryPortIo, MissingFunctionIsNamed) {
  FailureLog log;
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
  FailureLog log;
  LibraryPortIo io(log.Handler(), QStringLiteral("test_port_two_exports"),
                   {QStringLiteral("/nonexistent"), QStringLiteral(KVT_TEST_LIBRARY_DIR)});
  EXPECT_EQ(io.OutPort(0x378, 0x1A5), 0xA5);
  EXPECT_EQ(io.InPort(0x378), (0x78 ^ 0x1A5 ^ 0x378) & 0xFF);
  EXPECT_EQ(io.InPort(0x12345), (0x78 ^ 0x1A5 ^ 0x12345) & 0xFF);
  EXPECT_TRUE(log.messages.empty());
}

TEST(LibraryPortIo, ARefusedPortLeavesTheOthersUsable) {
  FailureLog log;
  LibraryPortIo io(log.Handler(), QStringLiteral("test_port_access_check"),
                   {QStringLiteral(KVT_TEST_LIBRARY_DIR)});
  EXPECT_EQ(io.AccessError(0x10), std::optional<std::string>("port 0x10 refused"));
  EXPECT_EQ(io.AccessError(0x378), std::nullopt);
  EXPECT_TRUE(log.messages.empty());  // asking reports nothing

  EXPECT_EQ(io.InPort(0x10), 0);
  EXPECT_EQ(io.OutPort(0x10, 0x55), 0);
  EXPECT_EQ(log.messages, std::vector<std::string>{"port 0x10 refused"});
  // A new address works at once.
  EXPECT_EQ(io.OutPort(0x378, 0x1A5), 0xA5);
  EXPECT_EQ(io.InPort(0x378), (0x78 ^ 0x1A5 ^ 0x378) & 0xFF);
  EXPECT_EQ(log.messages.size(), 1u);
}

TEST(LibraryPortIo, AccessErrorTellsWhatTheLibraryKnows) {
  FailureLog log;
  LibraryPortIo missing(log.Handler(), QStringLiteral("kvt_no_such_port_library"), {});
  const auto why = missing.AccessError(0x378);
  ASSERT_TRUE(why.has_value());
  EXPECT_NE(why->find("\"kvt_no_such_port_library\""), std::string::npos) << *why;

  LibraryPortIo twoExports(log.Handler(), QStringLiteral("test_port_two_exports"),
                           {QStringLiteral(KVT_TEST_LIBRARY_DIR)});
  EXPECT_EQ(twoExports.AccessError(0x378), std::nullopt);  // cannot tell: counts as usable

  if (!MachineHasParallelPort()) {
    LibraryPortIo real(log.Handler(), QStringLiteral(KVT_PORTIO_LIBRARY), {});
    const auto refused = real.AccessError(0x378);
    ASSERT_TRUE(refused.has_value());
    EXPECT_NE(refused->find("port 0x378 cannot be used"), std::string::npos) << *refused;
  }
  EXPECT_TRUE(log.messages.empty());
}

}  // namespace

}  // namespace kvt
