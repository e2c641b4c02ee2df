// A streaming buffer on an opened output, fed from a WAV file the test writes.
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "audio/decoders/OzoWAV.h"
#include "audio/output/VyBuffer.h"
#include "support/AudioOutput.h"
#include "support/SteppedPlayer.h"
#include "support/TempDir.h"
#include "support/WavWriter.h"

class StreamingBuffer : public ::testing::Test {
 protected:
  static constexpr uint32_t kChunk = 32768;

  // `output` is the VYS_AUDIO value: "null", or "steps" for a capture into
  // capture.wav mixed only by PlayFor, whose clock times the buffer.
  void OpenOutput(const std::string& output);
  void TearDown() override;

  // Writes the file, opens it and configures the buffer as the song engine will.
  void Load(const WavLayout& layout);
  // On "steps": mixes `ms` more with a refill before every period, as a
  // player woken in time for each would.
  void PlayFor(double ms) { stepped_->RunFor(ms); }
  std::string CapturePath() const { return dir_.File("capture.wav"); }

  TempDir dir_;
  std::unique_ptr<ScopedAudioOutput> audio_;
  std::unique_ptr<SteppedPlayer> stepped_;
  TOzoAudioTAG device_;
  TOzoWAVTAG decoder_;
  TVyBufferTAG buffer_;
  TVyBufferConfig config_{};
  uint32_t ringBytes_ = 0;
};
