// One deck's membership in a Link session: a tempo and a beat phase shared
// with every Link peer on the local network, with no leader to configure.
// Off until enabled; while enabled the library runs its own network threads.
// Times are microseconds on the session's clock (NowMicros()), which is
// CLOCK_MONOTONIC_RAW on Linux.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

// A plain copy of the session's timeline at one moment: while the tempo
// stays, beats are a straight line in time, so the copy answers for any
// time without asking the library again. Beats are counted so that every
// peer with the same quantum agrees on where each bar (quantum) begins.
struct TLinkTimeline {
  double tempoBpm = 120.0;
  double quantum = 4.0;
  int64_t originMicros = 0;
  double beatAtOrigin = 0.0;

  double BeatAt(int64_t micros) const;
  // Position within the bar, in [0, quantum).
  double PhaseAt(int64_t micros) const;
  int64_t MicrosAtBeat(double beat) const;
};

class TLinkSession {
 public:
  explicit TLinkSession(double tempoBpm);
  ~TLinkSession();
  TLinkSession(const TLinkSession&) = delete;
  TLinkSession& operator=(const TLinkSession&) = delete;

  void Enable(bool on);
  bool IsEnabled() const;
  size_t Peers() const;
  int64_t NowMicros() const;

  // From the audio thread only: never blocks or allocates.
  TLinkTimeline CaptureFromAudio(int64_t atMicros, double quantum) const;
  void SetTempoFromAudio(double tempoBpm, int64_t atMicros);

  // From any other thread (the window's, the console's).
  TLinkTimeline Capture(int64_t atMicros, double quantum) const;
  void SetTempo(double tempoBpm);

 private:
  struct TImpl;
  std::unique_ptr<TImpl> impl_;
};
