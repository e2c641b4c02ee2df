// EBU R128 integrated loudness of a stream of 16-bit PCM, built on
// libebur128; nothing else in the program includes it. (The library's true
// peak costs more than decoding an MP3; analysis measures that itself.)
#pragma once
#include <cstddef>
#include <cstdint>

struct TLoudnessMeterState;

class TLoudnessMeter {
 public:
  // Ready() is false when the library refuses the format.
  TLoudnessMeter(unsigned channels, unsigned rate);
  ~TLoudnessMeter();
  TLoudnessMeter(const TLoudnessMeter&) = delete;
  TLoudnessMeter& operator=(const TLoudnessMeter&) = delete;

  bool Ready() const { return state_ != nullptr; }
  // Interleaved frames of every channel.
  void Add(const int16_t* frames, size_t count);
  // Integrated loudness in LUFS; -HUGE_VAL for silence.
  double IntegratedLufs() const;

 private:
  TLoudnessMeterState* state_ = nullptr;
};
