#include "foundation/OzoSync.h"

#if defined(VYS_CHECKED)
#include "foundation/OzoAssert.h"

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
  mutex_.Lock();
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
