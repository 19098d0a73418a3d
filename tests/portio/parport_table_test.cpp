#include "parport_table.h"

#include <gtest/gtest.h>

namespace {

TEST(ParportTable, BaseAddressFile) {
  EXPECT_EQ(ParportBaseFromText("888\t1912\n"), 0x378);
  EXPECT_EQ(ParportBaseFromText("956\t-1\n"), 0x3BC);
  EXPECT_EQ(ParportBaseFromText(" 53248\t0\n"), 0xD000);
  EXPECT_EQ(ParportBaseFromText(""), -1);
  EXPECT_EQ(ParportBaseFromText("-1\t0\n"), -1);
  EXPECT_EQ(ParportBaseFromText("70000\t0\n"), -1);
}

TEST(ParportTable, DeviceNames) {
  EXPECT_EQ(ParportNumberFromName("parport0"), 0);
  EXPECT_EQ(ParportNumberFromName("parport12"), 12);
  EXPECT_EQ(ParportNumberFromName("parport"), -1);
  EXPECT_EQ(ParportNumberFromName("parport1x"), -1);
  EXPECT_EQ(ParportNumberFromName("default"), -1);
  EXPECT_EQ(ParportNumberFromName("."), -1);
}

const char* const Ioports =
    "0000-0cf7 : PCI Bus 0000:00\n"
    "  0000-001f : dma1\n"
    "  0020-0021 : pic1\n"
    "  0378-037a : parport0\n"
    "  037b-037f : parport0\n"
    "  03f8-03ff : serial\n"
    "  0778-077a : parport0\n"
    "0d00-ffff : PCI Bus 0000:00\n"
    "  d010-d012 : parport1";

TEST(ParportTable, IoportsListsOnlyParallelPortRanges) {
  int first = -1;
  int last = -1;
  ASSERT_TRUE(ParportRangeFromIoports(Ioports, 0x379, &first, &last));
  EXPECT_EQ(first, 0x378);
  EXPECT_EQ(last, 0x37A);
  ASSERT_TRUE(ParportRangeFromIoports(Ioports, 0xD012, &first, &last));  // last line, no newline
  EXPECT_EQ(first, 0xD010);
  EXPECT_EQ(last, 0xD012);
  // The DMA controller and the serial port lie inside the PCI bus range, but
  // only ranges named "parport" count.
  for (const int port : {0x0000, 0x0020, 0x03F8, 0x0377, 0x0D00, 0xD013})
    EXPECT_FALSE(ParportRangeFromIoports(Ioports, port, &first, &last)) << port;
  EXPECT_FALSE(ParportRangeFromIoports("", 0x378, &first, &last));
  // Lines that are not "first-last : name" are passed over.
  EXPECT_FALSE(ParportRangeFromIoports("0379 : parport0\n037a-0378 : parport0\n"
                                       "0378037a : parport0\n",
                                       0x379, &first, &last));
}

TEST(ParportTable, UnprivilegedIoportsHidesAddresses) {
  EXPECT_FALSE(IoportsAddressesHidden(Ioports));
  EXPECT_TRUE(IoportsAddressesHidden("0000-0000 : PCI Bus\n  0000-0000 : dma1\n"));
  EXPECT_FALSE(IoportsAddressesHidden(""));
}

}  // namespace
