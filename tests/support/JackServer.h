// A JACK server with its dummy (paced, no hardware) driver that a test
// starts, kills and restarts, and JACK clients of the test's own that count
// or record what the server really played.
#pragma once
#include <jack/jack.h>
#include <jack/midiport.h>
#include <sys/types.h>

#include <atomic>
#include <csignal>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "support/AudioAnalysis.h"

#include "platform/sound/DirectSound.h"

// The dummy driver's playback ports, as the device list shows them.
inline constexpr char kJackSystemDevice[] = "system (JACK Audio Connection Kit)";

bool HaveJack();

// Where the output device listed as `description` stands in the device list
// (-1 when it is not listed), with its id copied to `id` when given.
int FindOutputDevice(const std::string& description, TGuid* id = nullptr);

class JackServer {
 public:
  // One name for every run (VYS_TEST_JACK_SERVER overrides it, for a machine
  // that runs several checkouts' tests): a killed server leaves its
  // registration behind, and JACK refuses new servers once a handful are
  // registered. Clients of this process use it from construction on.
  explicit JackServer(uint32_t rate = 48000);
  // A clean stop unregisters the server.
  ~JackServer() { Stop(SIGTERM); }

  // True once it is up and the output `device` (a description in the
  // device list) is listed.
  bool Start(const std::string& device = kJackSystemDevice);
  void Kill() { Stop(SIGKILL); }

 private:
  void Stop(int signal);

  std::string name_;
  uint32_t rate_;
  pid_t pid_ = -1;
};

// The frames the server has really played, counted by a client of our own:
// the server's clock, which a busy machine holds back as it does the output.
class JackFrames {
 public:
  JackFrames();
  ~JackFrames();
  bool Running() const { return client_ != nullptr; }
  double Seconds() const { return double(frames_.load()) / rate_; }

 private:
  static int Count(jack_nframes_t frames, void* counted);

  jack_client_t* client_ = nullptr;
  uint32_t rate_ = 0;
  std::atomic<uint64_t> frames_{0};
};

// The clients open and close as the deck's own do (JackBackend::ClientMutex),
// and like those are never closed once their server has gone.

// A stand-in sound card: a client whose two playback ports count as
// physical, so that it is listed as an output device of its own, and that
// records everything played to it from its start, up to `seconds`.
class JackRecorder {
 public:
  JackRecorder(const std::string& name, double seconds);
  ~JackRecorder();
  bool Running() const { return client_ != nullptr; }
  // Its description in the device list.
  std::string Device() const { return name_ + " (JACK Audio Connection Kit)"; }
  // What it has recorded so far; its frame i was played i frames after its start.
  Capture Recorded() const;
  size_t Frames() const { return take_->recorded.load(std::memory_order_acquire); }
  // The server's frame time of its frame 0 (0 until it has recorded).
  uint32_t StartFrame() const { return take_->startFrame.load(std::memory_order_acquire); }
  // The server's frame time of its frame `index`: a cycle the server ran
  // without this client leaves no hole in the recording, but moves the
  // frames after it on. How many times that happened.
  double FrameTimeOf(double index) const;
  size_t Jumps() const { return take_->jumps.load(std::memory_order_acquire); }
  // When the server's frame `frame` is played by this card (which adds no
  // latency of its own), in microseconds of CLOCK_MONOTONIC_RAW: the clock
  // Link stamps its beats with, whatever clock the server keeps.
  int64_t LinkMicrosAtFrame(uint32_t frame) const;

 private:
  // What libjack's threads use; left with the client when its server goes.
  struct TTake {
    jack_port_t* ports[2] = {};
    std::vector<float> left, right;  // sized at start: the audio thread never allocates
    std::atomic<size_t> recorded{0};
    std::atomic<uint32_t> startFrame{0};
    static constexpr size_t kMaxJumps = 256;
    size_t jumpAt[kMaxJumps] = {};  // recording frame where the server's frames jumped
    uint32_t jumpTo[kMaxJumps] = {};  // and its frame time there
    std::atomic<size_t> jumps{0};
    uint32_t nextFrame = 0;  // audio thread only
    jack_client_t* client = nullptr;
    std::atomic<bool> serverGone{false};
  };
  static int Record(jack_nframes_t frames, void* take);

  std::string name_;
  jack_client_t* client_ = nullptr;
  uint32_t rate_ = 0;
  TTake* take_ = new TTake;
};

// A controller stand-in: a client with one MIDI output port, "NAME:out",
// that sends each message given at the start of its next period.
class JackMidiSender {
 public:
  explicit JackMidiSender(const std::string& name);
  ~JackMidiSender();
  bool Running() const { return client_ != nullptr; }
  std::string Port() const { return name_ + ":out"; }
  // Up to three bytes; false when the last ones have not gone out yet.
  bool Send(std::initializer_list<uint8_t> message);
  // The server's frame time now.
  uint32_t FrameNow() const { return client_ ? jack_frame_time(client_) : 0; }
  // Something is connected to its port.
  bool Connected() const { return client_ && jack_port_connected(take_->port) > 0; }
  // The server has a port of that name.
  bool SeesPort(const std::string& name) const { return client_ && jack_port_by_name(client_, name.c_str()); }
  // The server's frame time at which the last message went out (0: none yet).
  uint32_t SentAtFrame() const { return take_->sentAt.load(std::memory_order_acquire); }

 private:
  struct TTake {
    jack_client_t* client = nullptr;
    jack_port_t* port = nullptr;
    static constexpr size_t kSlots = 64;
    uint8_t bytes[kSlots][3] = {};
    uint8_t sizes[kSlots] = {};
    std::atomic<size_t> written{0}, sent{0};
    std::atomic<uint32_t> sentAt{0};
    std::atomic<bool> serverGone{false};
  };
  static int Play(jack_nframes_t frames, void* take);

  std::string name_;
  jack_client_t* client_ = nullptr;
  TTake* take_ = new TTake;
};
