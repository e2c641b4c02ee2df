// Output to a JACK server through libjack. PortAudio's own JACK support
// cannot recover once the server goes away (its stop waits ten minutes for a
// signal that has already come), so JACK is driven directly.
#pragma once
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/sound/SoundBackend.h"

class JackBackend : public SoundBackend {
 public:
  // The JACK clients with physical playback ports ("system"), when a server runs.
  static std::vector<TOutputDevice> List();
  // Opens `device`, or the first listed one when null; null when no server runs.
  static std::unique_ptr<JackBackend> Open(const TGuid* device, SoundMixer& mixer, HRESULT* error);
  ~JackBackend() override;
  // A lost output is reopened on a thread of its own while the window may
  // list the devices: every JACK client of the process, PortAudio's sessions
  // too (they open one of their own), opens and closes under this, one at a time.
  static std::recursive_mutex& ClientMutex();

  uint32_t Rate() const override { return rate_; }
  uint32_t LatencyFrames() const override { return stream_->latencyFrames.load(std::memory_order_relaxed); }
  bool Failed() const override { return stream_->shutDown.load(std::memory_order_acquire); }

 private:
  // What libjack's threads use. A client whose server has gone is never
  // closed: libjack now and then crashes closing it once other clients have
  // opened since (a device list, an attempt to reopen). Such a client keeps
  // its stream, never freed: a little memory for every loss of the server.
  struct TStream {
    explicit TStream(SoundMixer& mixer) : mixer(mixer) {}
    void Process(uint32_t frames);
    // The server tells when the latency of the graph is known or changes:
    // at the connection it may still be nothing.
    void LearnLatency();

    SoundMixer& mixer;
    void* client = nullptr;
    void* ports[2] = {nullptr, nullptr};
    std::vector<float> mix;  // interleaved stereo, sized for the largest period
    std::atomic<bool> shutDown{false};
    int64_t frameTime = 0;  // the server's 32-bit frame count, unwrapped: the process thread's
    uint32_t rate = 0;
    std::atomic<uint32_t> latencyFrames{0};
  };

  explicit JackBackend(SoundMixer& mixer) : stream_(new TStream(mixer)) {}
  bool Connect(const std::string& device);

  TStream* stream_;  // owned unless its server has gone
  uint32_t rate_ = 0;
};
