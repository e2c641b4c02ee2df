// Keeps the log readable while something fails over and over: a line that
// comes again (the same message from the same line of code) is written
// once, then counted. The count is written as "LINE ... repeated N times"
// once the repeats stop, and once a minute while they go on.
#pragma once
#include <cstdint>
#include <functional>
#include <mutex>

#include "foundation/OzoCounter.h"

class TOzoRepeatFilter {
 public:
  using TWriter = std::function<void(const char* line)>;

  // Repeats come from polling loops, several a second: this long without
  // one means the cause has gone.
  static constexpr int64_t kQuietMs = 5000;
  // A fault that goes on is still told of, with its count, this often.
  static constexpr int64_t kSummaryMs = 60000;
  // Lines followed at once, so that faults repeating in turn are each counted.
  static constexpr int kSlots = 8;
  static constexpr int kLineSize = 500;  // the error channel's own limit

  TOzoRepeatFilter(TVyCounter counter, TWriter write);

  // Writes the line, or counts it when it repeats one written lately.
  void Pass(const char* line);
  // Writes the counts of repeats that have stopped or have run for a minute.
  // Called regularly, so that a stop is told without waiting for a new line.
  void Flush();
  // Writes every open count and forgets every line: the log ends.
  void FlushAll();

 private:
  struct TSlot {
    bool used = false;
    char line[kLineSize] = {};
    uint32_t repeats = 0;  // counted since the line or its last count was written
    int64_t lastSeenMs = 0;
    int64_t countingSinceMs = 0;
  };

  int64_t NowMs() const;
  TSlot* Find(const char* line);
  TSlot& Claim();
  void WriteCount(TSlot& slot, int64_t now);
  void Forget(TSlot& slot);

  TVyCounter counter_;
  TWriter write_;
  std::mutex mutex_;  // Pass runs on any reporting thread, Flush on the player's
  TSlot slots_[kSlots];
};
