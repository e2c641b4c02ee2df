// A device and a sound buffer wrapper on the null output (paced, silent).
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>

#include "audio/output/OzoDS.h"
#include "support/AudioOutput.h"

struct NullOutputDevice : ::testing::Test {
  ScopedAudioOutput audio{"null"};
  TOzoAudioTAG device;
  TOzoSoundBufferTAG buffer;

  void SetUp() override {
    TOzoAudioConfig config{0, nullptr, nullptr, nullptr};
    ASSERT_EQ(device.Open(&config), 0);
  }
  void TearDown() override {
    buffer.ReleaseBuffer();
    device.Close();
  }
};
