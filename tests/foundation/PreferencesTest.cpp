// The deck's own preferences: each value stands alone, and bad stored text
// falls back to the default instead of reaching the deck.
#include "foundation/Preferences.h"

#include <gtest/gtest.h>

#include <fstream>

#include "support/Environment.h"
#include "support/TempDir.h"

namespace {
class PreferencesTest : public ::testing::Test {
 protected:
  void Store(const char* name, const char* text) {
    ASSERT_TRUE(Preferences::SetText(name, "x"));  // creates the key's folder
    std::ofstream(dir_.File("config/vy-system/registry/Software/Ozo/VySystem/Preferences/") + name) << text;
  }
  TempDir dir_;
  ScopedEnvironment configHome_{"XDG_CONFIG_HOME", dir_.File("config")};
};

TEST_F(PreferencesTest, ValuesAreKeptApartAndReadBackAsStored) {
  EXPECT_EQ(Preferences::Number("gain", -14, -30, 0), -14);
  ASSERT_TRUE(Preferences::SetNumber("gain", -9.5));
  ASSERT_TRUE(Preferences::SetFlag("link", true));
  ASSERT_TRUE(Preferences::SetText("engine", "fast"));
  ASSERT_TRUE(Preferences::SetFlag("link", false));
  EXPECT_EQ(Preferences::Number("gain", -14, -30, 0), -9.5);
  EXPECT_FALSE(Preferences::Flag("link", true));
  EXPECT_EQ(Preferences::Text("engine", "fine"), "fast");
}

TEST_F(PreferencesTest, BrokenOrOutOfRangeValuesGiveTheDefault) {
  Store("gain", "-14dB");
  EXPECT_EQ(Preferences::Number("gain", -14, -30, 0), -14);
  Store("gain", "nan");
  EXPECT_EQ(Preferences::Number("gain", -14, -30, 0), -14);
  Store("gain", "-31");
  EXPECT_EQ(Preferences::Number("gain", -14, -30, 0), -14);
  Store("link", "yes");
  EXPECT_TRUE(Preferences::Flag("link", true));
  EXPECT_FALSE(Preferences::Flag("link", false));
}
}  // namespace
