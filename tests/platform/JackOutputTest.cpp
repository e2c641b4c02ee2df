// The real output through PortAudio, against a JACK server with its dummy
// (paced, no hardware) driver that the test starts, kills and restarts.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "audio/output/OzoDS.h"
#include "platform/sound/JackBackend.h"
#include "foundation/OzoError.h"
#include "support/AudioOutput.h"
#include "support/JackServer.h"

using ::testing::MatchesRegex;

namespace {
const TWaveFormatEx kCd{{WAVE_FORMAT_PCM, 2, 44100, 176400, 4, 16}, 0};

struct JackOutput : ::testing::Test {
  JackServer server;
  TOzoAudioTAG device;
  TOzoSoundBufferTAG buffer;

  void SetUp() override {
    if (!HaveJack()) GTEST_SKIP() << "jackd is not installed";
    unsetenv("VYS_AUDIO");
    ASSERT_TRUE(server.Start()) << "JACK did not come up";
  }
  void TearDown() override {
    buffer.ReleaseBuffer();
    device.Close();
  }

  void OpenJackDevice() {
    TGuid id;
    ASSERT_GT(FindOutputDevice(kJackSystemDevice, &id), 0);
    TOzoAudioConfig config{0, &id, nullptr, nullptr};
    ASSERT_EQ(device.Open(&config), 0) << GetLastErrorText();
    ASSERT_EQ(buffer.CreateSecondary(&device, &kCd, 1000, kBufferSizeInMs | kBufferLooping, 0), 0);
  }

  // Bytes the play cursor moves over `seconds` the server played, per second,
  // from once the output is heard to move; 0 when it never does.
  double CursorBytesPerSecond(double seconds) {
    JackFrames played;
    const uint32_t size = buffer.GetSize();
    uint32_t previous = buffer.GetPlayCursor();
    if (!played.Running() || !WaitUntil([&] { return buffer.GetPlayCursor() != previous; })) return 0;
    previous = buffer.GetPlayCursor();
    const double start = played.Seconds();
    uint64_t advanced = 0;
    double now = start;
    WaitUntil([&] {
      uint32_t cursor = buffer.GetPlayCursor();
      now = played.Seconds();
      advanced += (cursor + size - previous) % size;
      previous = cursor;
      return now - start >= seconds;
    });
    return double(advanced) / (now - start);
  }
};
}  // namespace

TEST_F(JackOutput, JackDeviceIsListedAndItsCursorRunsAtTheBufferRate) {
  OpenJackDevice();
  buffer.SetFrequency(47628);
  buffer.Play();
  const double ratio = CursorBytesPerSecond(2.0) / (47628.0 * 4);
  RecordProperty("cursor_rate_ratio", std::to_string(ratio));
  EXPECT_NEAR(ratio, 1.0, 0.01);
}

TEST_F(JackOutput, ServerKilledWhilePlayingIsReportedAndTheOutputComesBackByItself) {
  OpenJackDevice();
  buffer.Play();
  const uint32_t start = buffer.GetPlayCursor();
  ASSERT_TRUE(WaitUntil([&] { return buffer.GetPlayCursor() != start; })) << "plays before the kill";
  server.Kill();

  ASSERT_TRUE(WaitUntil([&] { return buffer.IsLost() != 0; })) << "the lost server is noticed";
  void* memory = nullptr;
  EXPECT_EQ(buffer.Lock(0, 4096, &memory), -1);
  EXPECT_THAT(GetLastErrorText(),
              MatchesRegex("OzoSoundBuffer: Error grave en Lock \\[DSERR_BUFFERLOST\\] \\(OzoDS\\.cpp [0-9]+\\)"));

  ASSERT_TRUE(server.Start());
  ASSERT_TRUE(WaitUntil([&] { return buffer.IsLost() == 0; })) << "reopened without a new Play";
  ASSERT_EQ(buffer.Lock(0, 4096, &memory), 0);
  buffer.Unlock();
  EXPECT_NEAR(CursorBytesPerSecond(1.0) / 176400.0, 1.0, 0.02) << "and playing on";

  buffer.ReleaseBuffer();
  device.Close();
  TOzoAudioConfig config{0, nullptr, nullptr, nullptr};
  EXPECT_EQ(device.Open(&config), 0) << "a new song's device opens";
}

// The graph's latency is known only once the server has worked it out, and
// changes with the period: the mixer places what it mixes by what the
// server says now, not by what it said at the connection.
TEST_F(JackOutput, MixerFollowsThePlaybackLatencyTheServerReports) {
  SoundMixer mixer(48000);
  HRESULT error;
  const std::unique_ptr<JackBackend> backend = JackBackend::Open(nullptr, mixer, &error);
  ASSERT_TRUE(backend);
  jack_client_t* probe = jack_client_open("latency-probe", JackNoStartServer, nullptr);
  ASSERT_TRUE(probe);
  auto serverLatency = [probe] {
    jack_latency_range_t range{0, 0};
    jack_port_get_latency_range(jack_port_by_name(probe, "system:playback_1"), JackPlaybackLatency, &range);
    return range.max;
  };
  ASSERT_TRUE(WaitUntil([&] { return serverLatency() > 0 && mixer.LatencyFrames() == serverLatency(); }));
  const uint32_t before = serverLatency();
  ASSERT_EQ(jack_set_buffer_size(probe, 1024), 0);
  EXPECT_TRUE(WaitUntil([&] { return serverLatency() != before && mixer.LatencyFrames() == serverLatency(); }))
      << "the server says " << serverLatency() << ", the mixer " << mixer.LatencyFrames();
  jack_client_close(probe);
}
