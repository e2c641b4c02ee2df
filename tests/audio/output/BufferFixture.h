// A streaming buffer on an opened output, fed from a WAV file the test writes.
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "audio/decoders/OzoWAV.h"
#include "audio/output/VyBuffer.h"
#include "foundation/OzoThread.h"
#include "support/AudioOutput.h"
#include "support/TempDir.h"
#include "support/WavWriter.h"

class StreamingBuffer : public ::testing::Test {
 protected:
  static constexpr uint32_t kChunk = 32768;

  // `output` is the VYS_AUDIO value: "null", "" for a capture into
  // capture.wav, or "steps" for one mixed only by MixCapturedPeriods.
  void OpenOutput(const std::string& output);
  void TearDown() override;

  // Writes the file, opens it and configures the buffer as the song engine will.
  void Load(const WavLayout& layout);
  // Calls Refill every 20 ms from a player-like thread until StopRefills.
  void StartRefills();
  void StopRefills() { refills_.reset(); }
  std::string CapturePath() const { return dir_.File("capture.wav"); }

  TempDir dir_;
  std::unique_ptr<ScopedAudioOutput> audio_;
  TOzoAudioTAG device_;
  TOzoWAVTAG decoder_;
  TVyBufferTAG buffer_;
  TVyBufferConfig config_{};
  uint32_t ringBytes_ = 0;
  std::unique_ptr<TOzoThreadTAG> refills_;
};
