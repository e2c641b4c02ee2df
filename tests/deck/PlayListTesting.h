// Shared by the playlist tests: loading a playlist changes the process's
// current directory, which each test puts back.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "deck/VyPlayList.h"
#include "platform/kernel/KernelProcess.h"

class PlayListTest : public testing::Test {
 protected:
  ~PlayListTest() override { SetCurrentDirectory(startDir_.c_str()); }

  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (int i = 0; i < list.Entries.Count(); ++i) names.push_back(list.Entries.Strings(i));
    return names;
  }

  TVyPlayListTAG list;

 private:
  std::string startDir_ = GetCurrentDirectory();
};
