// The registry layer on a private hive: where keys and values land, names
// that would leave the hive, values whole after a kill or a race, and a
// config folder that cannot be written.
#include "platform/registry/Registry.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <iterator>

#include "RegistryGenerations.h"
#include "support/ChildProcess.h"
#include "support/Environment.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;

class RegistryTest : public ::testing::Test {
 protected:
  LONG Create(const char* path, HKEY* key, DWORD* disposition = nullptr) {
    return RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, key,
                           disposition);
  }
  LONG Write(HKEY key, const char* name, const std::string& bytes) {
    return RegSetValueExA(key, name, 0, REG_BINARY, reinterpret_cast<const BYTE*>(bytes.data()), DWORD(bytes.size()));
  }
  // The whole value, or "" when it cannot be read.
  std::string Read(HKEY key, const char* name = "Config") {
    std::string bytes(4096, '\0');
    DWORD size = DWORD(bytes.size());
    if (RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(bytes.data()), &size) != ERROR_SUCCESS)
      return "";
    return bytes.substr(0, size);
  }
  ChildProcess Writer(int writer) { return ChildProcess({REGISTRY_WRITER, std::to_string(writer), "1000"}); }

  TempDir dir_;
  const std::string config_ = dir_.File("config");
  ScopedEnvironment configHome_{"XDG_CONFIG_HOME", config_};
  const std::string keyFolder_ = config_ + "/vy-system/registry/Software/Ozo/VySystem";
};

TEST_F(RegistryTest, AKeyIsAFolderOfTheHiveAndAValueAFileOfItsBytes) {
  HKEY key = nullptr;
  DWORD disposition = 0;
  ASSERT_EQ(Create(kDeckKey, &key, &disposition), ERROR_SUCCESS);
  EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
  EXPECT_TRUE(fs::is_directory(keyFolder_));
  const std::string value = Generation(1, 2);
  ASSERT_EQ(Write(key, "Config", value), ERROR_SUCCESS);
  EXPECT_EQ(ReadFileBytes(keyFolder_ + "/Config"), value);

  BYTE small[319];
  DWORD size = sizeof small;
  EXPECT_EQ(RegQueryValueExA(key, "Config", nullptr, nullptr, small, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 320u);
  EXPECT_EQ(RegQueryValueExA(key, "Missing", nullptr, nullptr, nullptr, nullptr), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
  // Closed, null and made-up handles are refused, not followed.
  EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegCloseKey(nullptr), ERROR_INVALID_HANDLE);
  EXPECT_EQ(Write(reinterpret_cast<HKEY>(&disposition), "Config", value), ERROR_INVALID_HANDLE);
}

TEST_F(RegistryTest, NamesThatWouldLeaveTheHiveAreRefusedAndMakeNothing) {
  const std::string outside = dir_.File("escape");
  for (std::string path : {std::string("..\\..\\..\\escape"), std::string("Software\\..\\..\\escape"), outside,
                           std::string("Software\\\\Ozo"), std::string("Software\\"), std::string(""),
                           std::string("Software\\."), std::string("Software/../../escape")}) {
    HKEY key = nullptr;
    EXPECT_EQ(Create(path.c_str(), &key), ERROR_BAD_PATHNAME) << path;
    EXPECT_EQ(key, nullptr);
  }
  EXPECT_FALSE(fs::exists(outside));
  EXPECT_FALSE(fs::exists(config_));

  HKEY key = nullptr;
  ASSERT_EQ(Create(kDeckKey, &key), ERROR_SUCCESS);
  for (const char* name : {"..", "../escape", "", ".tmp.1.0"})
    EXPECT_EQ(Write(key, name, "x"), ERROR_BAD_PATHNAME) << name;
  EXPECT_FALSE(fs::exists(dir_.File("config/vy-system/registry/Software/Ozo/escape")));
  // A temporary left by a killed writer is never taken for a value.
  WriteFileBytes(keyFolder_ + "/.tmp.1.0", "torn");
  EXPECT_EQ(RegQueryValueExA(key, ".tmp.1.0", nullptr, nullptr, nullptr, nullptr), ERROR_FILE_NOT_FOUND);
  RegCloseKey(key);
}

TEST_F(RegistryTest, AKillInTheMiddleOfWritesLeavesOneWholeGeneration) {
  ChildProcess writer = Writer(1);
  ASSERT_NE(writer.WaitForLine("wrote 500"), "");
  writer.Signal(SIGKILL);
  writer.WaitForExit();

  HKEY key = nullptr;
  ASSERT_EQ(Create(kDeckKey, &key), ERROR_SUCCESS);
  const std::string value = Read(key);
  EXPECT_TRUE(IsGeneration(value));
  EXPECT_EQ(value[0], 1);
  EXPECT_GE(uint8_t(value[1]) | uint8_t(value[2]) << 8, 500);
  // Whatever the kill left behind does not stand in the way of the next write.
  ASSERT_EQ(Write(key, "Config", Generation(2, 0)), ERROR_SUCCESS);
  EXPECT_EQ(Read(key), Generation(2, 0));
  RegCloseKey(key);
}

// Only what a writer that is gone left long ago: a temporary of a live
// process, or a recent one (a writer of another process namespace), stays.
TEST_F(RegistryTest, TemporariesLeftByGoneWritersAreRemovedAtTheNextWrite) {
  const pid_t gone = fork();
  if (gone == 0) _exit(0);
  ASSERT_EQ(waitpid(gone, nullptr, 0), gone);
  HKEY key = nullptr;
  ASSERT_EQ(Create(kDeckKey, &key), ERROR_SUCCESS);
  auto temporary = [&](pid_t pid, int serial) {
    return keyFolder_ + "/.tmp." + std::to_string(pid) + "." + std::to_string(serial);
  };
  const std::string left = temporary(gone, 0), recent = temporary(gone, 1), alive = temporary(getppid(), 0);
  for (const std::string& path : {left, recent, alive}) WriteFileBytes(path, "torn");
  for (const std::string& path : {left, alive})
    fs::last_write_time(path, fs::last_write_time(path) - std::chrono::hours(1));
  ASSERT_EQ(Write(key, "Config", Generation(1, 0)), ERROR_SUCCESS);
  EXPECT_FALSE(fs::exists(left));
  EXPECT_TRUE(fs::exists(recent) && fs::exists(alive));
  RegCloseKey(key);
}

TEST_F(RegistryTest, TwoProcessesWritingTheSameValueLeaveItWholeAndTheLastWins) {
  HKEY key = nullptr;
  ASSERT_EQ(Create(kDeckKey, &key), ERROR_SUCCESS);
  ASSERT_EQ(Write(key, "Config", Generation(0, 0)), ERROR_SUCCESS);
  ChildProcess first = Writer(1), second = Writer(2);
  // Read all along the race: every read finds one whole value.
  for (int read = 0; read < 300; ++read) ASSERT_TRUE(IsGeneration(Read(key))) << "read " << read;
  EXPECT_EQ(first.WaitForExit(), 0);
  EXPECT_EQ(second.WaitForExit(), 0);

  const std::string last = Read(key);
  EXPECT_TRUE(last == Generation(1, 999) || last == Generation(2, 999));
  // Both ended normally: no temporary is left in the key's folder.
  EXPECT_EQ(std::distance(fs::directory_iterator(keyFolder_), fs::directory_iterator()), 1);
  RegCloseKey(key);
}

TEST_F(RegistryTest, AConfigFolderThatCannotHoldTheHiveFailsTheCall) {
  WriteFileBytes(config_, "a file where the folder should be");
  HKEY key = nullptr;
  EXPECT_EQ(Create(kDeckKey, &key), ERROR_PATH_NOT_FOUND);
  EXPECT_EQ(key, nullptr);
}

TEST_F(RegistryTest, AReadOnlyConfigFolderFailsWritesAndKeepsWhatIsStored) {
  HKEY key = nullptr;
  ASSERT_EQ(Create(kDeckKey, &key), ERROR_SUCCESS);
  ASSERT_EQ(Write(key, "Config", Generation(1, 1)), ERROR_SUCCESS);
  auto allowWrites = [&](mode_t mode) {
    for (const std::string& folder : {config_, keyFolder_}) chmod(folder.c_str(), mode);
  };
  allowWrites(0500);
  const bool bound = access(keyFolder_.c_str(), W_OK) != 0;
  if (bound) {
    EXPECT_EQ(Write(key, "Config", Generation(1, 2)), ERROR_ACCESS_DENIED);
    EXPECT_EQ(Read(key), Generation(1, 1));
    HKEY sub = nullptr;
    EXPECT_EQ(Create("Software\\Ozo\\VySystem\\Sub", &sub), ERROR_ACCESS_DENIED);
  }
  allowWrites(0700);
  RegCloseKey(key);
  if (!bound) GTEST_SKIP() << "permissions do not bind this user (root)";
}
