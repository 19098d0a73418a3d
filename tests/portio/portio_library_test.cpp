// The Linux library's exports, called directly. This machine has no parallel
// port the library may use, so every port is refused and never written.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

namespace {

struct PortLibrary {
  void* handle = dlopen(KVT_PORTIO_LIBRARY, RTLD_NOW | RTLD_LOCAL);
  int (*out)(int, int) = handle ? reinterpret_cast<int (*)(int, int)>(dlsym(handle, "OutPort")) : nullptr;
  int (*in)(int) = handle ? reinterpret_cast<int (*)(int)>(dlsym(handle, "InPort")) : nullptr;
  int (*accessError)(int, char*, int) =
      handle ? reinterpret_cast<int (*)(int, char*, int)>(dlsym(handle, "PortAccessError"))
             : nullptr;
};

bool MachineHasParallelPort() {
  std::ifstream ioports("/proc/ioports");
  std::stringstream text;
  text << ioports.rdbuf();
  return std::ifstream("/proc/sys/dev/parport/parport0/base-addr").good() ||
         text.str().find("parport") != std::string::npos;
}

TEST(PortioLibrary, ExportsWorkWithoutAccess) {
  PortLibrary lib;
  ASSERT_NE(lib.handle, nullptr) << dlerror();
  ASSERT_TRUE(lib.out && lib.in && lib.accessError);

  // Port 0 (the DMA controller) is never a parallel port.
  EXPECT_EQ(lib.out(0, 0x1FF), 0xFF);
  EXPECT_EQ(lib.out(0x10000, 0x1FF), 0xFF);
  EXPECT_EQ(lib.out(0, -1), 0xFF);
  EXPECT_EQ(lib.in(0), 0xFF);  // nothing answers: all ones, not -1
  EXPECT_EQ(lib.in(-65536), 0xFF);

  char message[600];
  EXPECT_NE(lib.accessError(0x7FFF0000, message, sizeof message), 0);
  EXPECT_EQ(std::string(message).rfind("The I/O port 0x0 cannot be used: ", 0), 0u) << message;
  EXPECT_NE(lib.accessError(0, nullptr, 0), 0);

  // A short buffer gets a cut but terminated message.
  char small[12];
  EXPECT_NE(lib.accessError(0, small, sizeof small), 0);
  EXPECT_EQ(std::string(small), "The I/O por");
}

TEST(PortioLibrary, RefusalNamesTheLowSixteenBitsOfThePort) {
  if (MachineHasParallelPort()) GTEST_SKIP() << "this machine has a parallel port";
  PortLibrary lib;
  ASSERT_NE(lib.handle, nullptr) << dlerror();
  char message[600];
  ASSERT_NE(lib.accessError(static_cast<int>(0xABCD0378u), message, sizeof message), 0);
  const std::string m = message;
  EXPECT_EQ(m.rfind("The I/O port 0x378 cannot be used: the kernel knows no parallel port at "
                    "this address",
                    0),
            0u)
      << m;
  EXPECT_EQ(lib.in(0x378), 0xFF);
  EXPECT_EQ(lib.out(0x37A, 0x3F02), 0x02);
}

}  // namespace
