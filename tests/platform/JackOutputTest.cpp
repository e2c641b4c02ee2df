// The real output through PortAudio, against a JACK server with its dummy
// (paced, no hardware) driver that the test starts, kills and restarts.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <jack/jack.h>
#include <sys/wait.h>
#include <unistd.h>
#include <atomic>
#include <csignal>
#include <cstdlib>
#include <string>
#include <utility>

#include "audio/output/OzoDS.h"
#include "foundation/OzoError.h"
#include "support/AudioOutput.h"

using ::testing::MatchesRegex;

namespace {
constexpr char kJackDevice[] = "system (JACK Audio Connection Kit)";
const TWaveFormatEx kCd{{WAVE_FORMAT_PCM, 2, 44100, 176400, 4, 16}, 0};

class JackServer {
 public:
  explicit JackServer(std::string name) : name_(std::move(name)) {}
  // A clean stop unregisters the server; JACK keeps only a few registered.
  ~JackServer() { Stop(SIGTERM); }

  bool Start() {
    pid_ = fork();
    if (pid_ == 0) {
      int null = open("/dev/null", O_WRONLY);
      dup2(null, STDOUT_FILENO);
      dup2(null, STDERR_FILENO);
      execlp("jackd", "jackd", "-n", name_.c_str(), "-d", "dummy", "-r", "48000", "-p", "256",
             static_cast<char*>(nullptr));
      _exit(127);
    }
    return pid_ > 0 && WaitForDevice();
  }

  void Kill() { Stop(SIGKILL); }

 private:
  void Stop(int signal) {
    if (pid_ <= 0) return;
    kill(pid_, signal);
    if (!WaitUntil([this] { return waitpid(pid_, nullptr, WNOHANG) != 0; }, 2)) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    pid_ = -1;
  }

  // The server is up once its device is listed.
  static bool WaitForDevice() {
    return WaitUntil([] {
      TStringList list;
      EnumerateDevices(list);
      bool listed = false;
      for (int i = 0; i < list.Count(); ++i) listed |= list.Strings(i) == kJackDevice;
      FreeDeviceList(list);
      return listed;
    });
  }

  std::string name_;
  pid_t pid_ = -1;
};

bool HaveJack() { return system("command -v jackd >/dev/null 2>&1") == 0; }

// The frames the server has really played, counted by a client of our own:
// the server's clock, which a busy machine holds back as it does the output.
class JackFrames {
 public:
  JackFrames() : client_(jack_client_open("vys-test-frames", JackNoStartServer, nullptr)) {
    if (!client_) return;
    rate_ = jack_get_sample_rate(client_);
    jack_set_process_callback(client_, &JackFrames::Count, &frames_);
    if (jack_activate(client_) != 0) jack_client_close(std::exchange(client_, nullptr));
  }
  ~JackFrames() {
    if (client_) jack_client_close(client_);
  }
  bool Running() const { return client_ != nullptr; }
  double Seconds() const { return double(frames_.load()) / rate_; }

 private:
  static int Count(jack_nframes_t frames, void* counted) {
    *static_cast<std::atomic<uint64_t>*>(counted) += frames;
    return 0;
  }

  jack_client_t* client_;
  uint32_t rate_ = 0;
  std::atomic<uint64_t> frames_{0};
};

struct JackOutput : ::testing::Test {
  // One name for every run: a killed server leaves its registration behind,
  // and JACK refuses new servers once a handful are registered.
  std::string name = "vys-test";
  JackServer server{name};
  TOzoAudioTAG device;
  TOzoSoundBufferTAG buffer;

  void SetUp() override {
    if (!HaveJack()) GTEST_SKIP() << "jackd is not installed";
    unsetenv("VYS_AUDIO");
    setenv("JACK_DEFAULT_SERVER", name.c_str(), 1);
    setenv("JACK_NO_START_SERVER", "1", 1);
    ASSERT_TRUE(server.Start()) << "JACK did not come up";
  }
  void TearDown() override {
    buffer.ReleaseBuffer();
    device.Close();
  }

  void OpenJackDevice() {
    TStringList list;
    EnumerateDevices(list);
    const TGuid* id = nullptr;
    for (int i = 0; i < list.Count(); ++i)
      if (list.Strings(i) == kJackDevice) id = static_cast<const TGuid*>(list.Objects(i));
    ASSERT_NE(id, nullptr);
    TOzoAudioConfig config{0, id, nullptr, nullptr};
    ASSERT_EQ(device.Open(&config), 0) << GetLastErrorText();
    FreeDeviceList(list);
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

TEST_F(JackOutput, ServerKilledWhilePlayingIsReportedAndSurvived) {
  OpenJackDevice();
  buffer.Play();
  const uint32_t start = buffer.GetPlayCursor();
  ASSERT_TRUE(WaitUntil([&] { return buffer.GetPlayCursor() != start; })) << "plays before the kill";
  server.Kill();

  uint32_t status = 0;
  ASSERT_TRUE(WaitUntil([&] { return buffer.Buffer->GetStatus(&status), (status & DSBSTATUS_BUFFERLOST) != 0; }))
      << "the lost server is noticed";
  void* memory = nullptr;
  EXPECT_EQ(buffer.Lock(0, 4096, &memory), -1);
  EXPECT_THAT(GetLastErrorText(),
              MatchesRegex("OzoSoundBuffer: Error grave en Lock \\[DSERR_BUFFERLOST\\] \\(OzoDS\\.cpp [0-9]+\\)"));
  buffer.Play();  // tries to restore: no server yet, nothing crashes

  ASSERT_TRUE(server.Start());
  buffer.Play();  // restores the output and plays on
  ASSERT_EQ(buffer.Lock(0, 4096, &memory), 0);
  buffer.Unlock();
  EXPECT_NEAR(CursorBytesPerSecond(1.0) / 176400.0, 1.0, 0.02);

  buffer.ReleaseBuffer();
  device.Close();
  TOzoAudioConfig config{0, nullptr, nullptr, nullptr};
  EXPECT_EQ(device.Open(&config), 0) << "a new song's device opens";
}
