#include "midi/MidiQueue.h"

void TMidiQueue::Push(const TMidiMessage& message) {
  const uint32_t head = head_.load(std::memory_order_relaxed);
  if (head - tail_.load(std::memory_order_acquire) == kSize) {
    dropped_.fetch_add(1, std::memory_order_relaxed);
    return;
  }
  ring_[head % kSize] = message;
  head_.store(head + 1, std::memory_order_release);
  wake_.Raise();
}

bool TMidiQueue::Pop(TMidiMessage* message) {
  const uint32_t tail = tail_.load(std::memory_order_relaxed);
  if (tail == head_.load(std::memory_order_acquire)) {
    wake_.Clear();
    // A push between the look and the clear raised the signal before it was
    // cleared: look once more, so that it is not left waiting unseen.
    if (tail == head_.load(std::memory_order_acquire)) return false;
  }
  *message = ring_[tail % kSize];
  tail_.store(tail + 1, std::memory_order_release);
  return true;
}
