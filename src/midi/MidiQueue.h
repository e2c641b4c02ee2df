// Messages from the MIDI library's thread to the deck's: a ring one thread
// fills and one empties, without locks, and a wake signal the deck's thread
// polls. A full ring drops the newest message (and counts it) rather than
// hold the library's thread.
#pragma once
#include <array>
#include <atomic>
#include <cstdint>

#include "midi/MidiMessage.h"
#include "platform/kernel/KernelWake.h"

class TMidiQueue {
 public:
  // The library's thread.
  void Push(const TMidiMessage& message);
  // The deck's thread: false when none is left.
  bool Pop(TMidiMessage* message);
  int WakeFd() const { return wake_.Fd(); }
  // Lost to a full ring since the last call.
  uint32_t TakeDropped() { return dropped_.exchange(0); }

 private:
  static constexpr uint32_t kSize = 1024;  // far more than a controller sends between two looks
  std::array<TMidiMessage, kSize> ring_{};
  std::atomic<uint32_t> head_{0}, tail_{0};  // written by the filler and the emptier
  std::atomic<uint32_t> dropped_{0};
  KernelWake wake_;
};
