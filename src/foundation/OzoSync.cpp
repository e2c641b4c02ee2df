#include "foundation/OzoSync.h"

#include "foundation/OzoAssert.h"

namespace {
// A thread let in takes the lock within its wake-up time; the limit only
// keeps a thread that was let in but is slow to run from stalling the caller.
constexpr uint32_t kLetInLimitMs = 20;
}  // namespace

void TOzoSync::Take() {
  if (mutex_.TryLock()) return;
  waiting_.fetch_add(1);
  mutex_.Lock();
  if (waiting_.fetch_sub(1) == 1) allTakenIn_.Set();
}

void TOzoSync::LetWaitingThreadsIn() {
  OZO_ASSERT(!HeldHere(), "a thread that lets others in does not hold the lock");
  if (waiting_.load() == 0) return;  // the usual case costs the refill one load
  allTakenIn_.Reset();                // a signal left from a hand-over nobody waited for
  if (waiting_.load() > 0) allTakenIn_.Wait(kLetInLimitMs);
}

#if defined(VYS_CHECKED)

namespace {
// Locks of each level the calling thread holds (a recursive hold counts once).
thread_local int heldOfLevel[llPitch + 1] = {};

bool HoldsLevelFrom(int level) {
  for (int l = level; l <= llPitch; ++l)
    if (heldOfLevel[l]) return true;
  return false;
}
}  // namespace

void TOzoSync::Enter() {
  OZO_ASSERT(!IsRealtimeThread(), "the audio thread takes no engine lock");
  const bool again = HeldHere();
  OZO_ASSERT(again || level_ == llUnordered || !HoldsLevelFrom(level_), "engine locks are taken in their order");
  Take();
  if (!again) {
    owner_.store(std::this_thread::get_id());
    ++heldOfLevel[level_];
  }
  ++depth_;
}

void TOzoSync::Leave() {
  if (--depth_ == 0) {
    --heldOfLevel[level_];
    owner_.store(std::thread::id());
  }
  mutex_.Unlock();
}
#endif
