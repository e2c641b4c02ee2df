// The settings key wrapper over a private hive: its open flag, key path and
// 1-or-0 results.
#include "foundation/OzoReg.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "support/Environment.h"
#include "support/TempDir.h"

namespace {
constexpr const char* kDeckKey = "Software\\Ozo\\VySystem";

class OzoRegTest : public ::testing::Test {
 protected:
  TempDir dir_;
  ScopedEnvironment configHome_{"XDG_CONFIG_HOME", dir_.File("config")};
};

TEST_F(OzoRegTest, OpenCreatesTheKeyASecondOpenClosesTheFirstAndCloseCountsOnce) {
  TOzoRegTAG reg;
  ASSERT_EQ(reg.OpenKey(kDeckKey), 1);
  EXPECT_TRUE(std::filesystem::is_directory(dir_.File("config/vy-system/registry/Software/Ozo/VySystem")));
  EXPECT_STREQ(reg.KeyPath, kDeckKey);
  HKEY first = reg.Key;
  ASSERT_EQ(reg.OpenKey("Software\\Ozo\\Other"), 1);
  EXPECT_EQ(RegCloseKey(first), ERROR_INVALID_HANDLE);  // the wrapper closed it already
  EXPECT_STREQ(reg.KeyPath, "Software\\Ozo\\Other");
  EXPECT_EQ(reg.CloseKey(), 1);
  EXPECT_EQ(reg.CloseKey(), 0);
  EXPECT_EQ(reg.Open, 0);
}

TEST_F(OzoRegTest, AKeyPathLongerThanTheFieldIsCutAndTerminated) {
  std::string path = "Software";
  while (path.size() < 300) path += "\\Deeper";
  TOzoRegTAG reg;
  ASSERT_EQ(reg.OpenKey(path.c_str()), 1);
  EXPECT_EQ(std::strlen(reg.KeyPath), sizeof reg.KeyPath - 1);
  EXPECT_EQ(path.compare(0, sizeof reg.KeyPath - 1, reg.KeyPath), 0);
}

TEST_F(OzoRegTest, AValueReadsOnlyIntoABufferItFits) {
  TOzoRegTAG reg;
  ASSERT_EQ(reg.OpenKey(kDeckKey), 1);
  EXPECT_EQ(reg.ValueExists("Config"), 0);
  unsigned char block[320];
  for (unsigned i = 0; i < sizeof block; ++i) block[i] = (i % 5 == 0) ? 0 : (unsigned char)(i * 37);
  ASSERT_EQ(reg.WriteBinary("Config", block, sizeof block), 1);
  EXPECT_EQ(reg.ValueExists("Config"), 1);
  unsigned char read[320] = {};
  ASSERT_EQ(reg.ReadValue("Config", read, sizeof read), 1);
  EXPECT_EQ(std::memcmp(read, block, sizeof block), 0);

  unsigned char longer[400] = {1, 2, 3};
  ASSERT_EQ(reg.WriteBinary("Config", longer, sizeof longer), 1);
  EXPECT_EQ(reg.ReadValue("Config", read, sizeof read), 0);
}

TEST_F(OzoRegTest, AFailedOpenLeavesTheWrapperClosed) {
  TOzoRegTAG reg;
  ASSERT_EQ(reg.OpenKey(kDeckKey), 1);
  EXPECT_EQ(reg.OpenKey("..\\outside"), 0);
  EXPECT_EQ(reg.Open, 0);
  EXPECT_EQ(reg.CloseKey(), 0);
}
}  // namespace
