#include "foundation/OzoRepeat.h"

#include <cstdio>
#include <cstring>
#include <utility>

TOzoRepeatFilter::TOzoRepeatFilter(TVyCounter counter, TWriter write)
    : counter_(std::move(counter)), write_(std::move(write)) {}

int64_t TOzoRepeatFilter::NowMs() const { return counter_.Now() / counter_.TicksPerMs(); }

void TOzoRepeatFilter::Pass(const char* line) {
  std::lock_guard<std::mutex> guard(mutex_);
  const int64_t now = NowMs();
  if (TSlot* slot = Find(line)) {
    ++slot->repeats;
    slot->lastSeenMs = now;
    if (now - slot->countingSinceMs >= kSummaryMs) WriteCount(*slot, now);
    return;
  }
  write_(line);
  TSlot& slot = Claim();
  std::snprintf(slot.line, sizeof slot.line, "%s", line);
  slot.used = true;
  slot.lastSeenMs = slot.countingSinceMs = now;
}

void TOzoRepeatFilter::Flush() {
  std::lock_guard<std::mutex> guard(mutex_);
  const int64_t now = NowMs();
  for (TSlot& slot : slots_) {
    if (!slot.used) continue;
    if (now - slot.lastSeenMs >= kQuietMs)
      Forget(slot);
    else if (slot.repeats > 0 && now - slot.countingSinceMs >= kSummaryMs)
      WriteCount(slot, now);
  }
}

void TOzoRepeatFilter::FlushAll() {
  std::lock_guard<std::mutex> guard(mutex_);
  for (TSlot& slot : slots_)
    if (slot.used) Forget(slot);
}

TOzoRepeatFilter::TSlot* TOzoRepeatFilter::Find(const char* line) {
  for (TSlot& slot : slots_)
    if (slot.used && std::strncmp(slot.line, line, sizeof slot.line - 1) == 0) return &slot;
  return nullptr;
}

// A free slot, else the one whose line came least lately, its count told first.
TOzoRepeatFilter::TSlot& TOzoRepeatFilter::Claim() {
  TSlot* oldest = &slots_[0];
  for (TSlot& slot : slots_) {
    if (!slot.used) return slot;
    if (slot.lastSeenMs < oldest->lastSeenMs) oldest = &slot;
  }
  Forget(*oldest);
  return *oldest;
}

void TOzoRepeatFilter::WriteCount(TSlot& slot, int64_t now) {
  char text[kLineSize + 40];
  std::snprintf(text, sizeof text, "%s ... repeated %u times", slot.line, slot.repeats);
  write_(text);
  slot.repeats = 0;
  slot.countingSinceMs = now;
}

// The line is written again, as new, when it comes back.
void TOzoRepeatFilter::Forget(TSlot& slot) {
  if (slot.repeats > 0) WriteCount(slot, 0);
  slot = TSlot{};
}
