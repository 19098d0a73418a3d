#include "app/settings.h"

#include <gtest/gtest.h>

TEST(SettingsDefaults, FillTheirGroupsOnly) {
  Settings s;
  SetDefaultSettings(s, AllGroups);
  EXPECT_EQ(s[WindowWidth], " 8175");
  EXPECT_EQ(s[WindowHeight], " 6225");
  EXPECT_EQ(s[PortHex], "378");
  EXPECT_EQ(s.lastIndex, 27);
}
