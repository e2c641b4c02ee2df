// EBU R128 loudness and true peak of a stream of 16-bit PCM, built on
// libebur128; nothing else in the program includes it.
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
  // The highest true peak of all channels, in dBTP; -HUGE_VAL for silence.
  double TruePeakDb() const;

 private:
  TLoudnessMeterState* state_ = nullptr;
  unsigned channels_ = 0;
};
